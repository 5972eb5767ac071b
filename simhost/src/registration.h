#pragma once
// simhost's entries in the registry: the ProgID and class keys, and the type
// library that describes the six interfaces with their interface keys, so
// that COM can marshal a QueryInterface for them between processes.
//
// The class keys go per user, and machine-wide too where the per-user ones
// do not make the ProgID resolve (as under Wine). For both bitnesses, the
// interface keys go to both registry views and the library is registered
// for win32 and win64. For simhost's own alone, they go to its own view and
// the library for its own platform: Windows then finds no proxy for the
// other bitness (CoGetPSClsid fails there), and Wine, whose CoGetPSClsid
// falls back to the other view, finds no type library for the typelib
// marshaller, which does not fall back from win32 to win64.
#include <windows.h>

#include <string>
#include <vector>

#include "simhost/host.h"

namespace simhost {

class RegistryEntries {
public:
    // Refuses (RegistrationRefused, nothing changed) when the ProgID or an
    // interface key belongs to another program or another simhost runs;
    // replaces what a simhost that ended abruptly left. Throws
    // RegistrationError when writing fails; nothing stays then.
    explicit RegistryEntries(InterfaceViews views);
    // Removes exactly what was written, and the type library's files.
    ~RegistryEntries();
    RegistryEntries(const RegistryEntries&) = delete;
    RegistryEntries& operator=(const RegistryEntries&) = delete;

private:
    void Remove() noexcept;
    std::vector<HKEY> roots_;
    std::vector<std::wstring> files_;
};

}  // namespace simhost
