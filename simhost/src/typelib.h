#pragma once
// The type library that describes the six host interfaces, so that COM can
// marshal a QueryInterface for them between processes. Built at run time,
// written next to the temp files, registered under the same registry roots
// as the class, and removed again on destruction.
//
// For both bitnesses, the interface keys go to both registry views and the
// library is registered for win32 and win64. For simhost's own alone, they
// go to its own view, and the library for its own platform: Windows then
// finds no proxy for the other bitness (CoGetPSClsid fails there), and Wine,
// whose CoGetPSClsid falls back to the other view, finds no type library for
// the typelib marshaller, which does not fall back from win32 to win64.
#include <windows.h>

#include <string>
#include <vector>

#include "simhost/host.h"

namespace simhost {

class TypeLibRegistration {
public:
    // Builds and registers under each of `roots`. Throws RegistrationError.
    TypeLibRegistration(const std::vector<HKEY>& roots, InterfaceViews views);
    ~TypeLibRegistration();
    TypeLibRegistration(const TypeLibRegistration&) = delete;
    TypeLibRegistration& operator=(const TypeLibRegistration&) = delete;

    // Throws RegistrationRefused when an interface key names another type library.
    static void CheckInterfacesAreFree();
    // Removes simhost's own keys under root, in both views: also those left
    // by a simhost that ended abruptly.
    static void RemoveKeys(HKEY root) noexcept;

private:
    void Remove() noexcept;
    std::vector<HKEY> roots_;
    std::vector<std::wstring> files_;
};

}  // namespace simhost
