#pragma once
// The type library that describes the six host interfaces, so that COM can
// marshal a QueryInterface for them between processes. Built at run time,
// written next to the temp files, registered for win32 and win64 under the
// same registry roots as the class, and removed again on destruction.
#include <windows.h>

#include <string>
#include <vector>

namespace simhost {

class TypeLibRegistration {
public:
    // Builds and registers under each of `roots`. Throws RegistrationError.
    explicit TypeLibRegistration(const std::vector<HKEY>& roots);
    ~TypeLibRegistration();
    TypeLibRegistration(const TypeLibRegistration&) = delete;
    TypeLibRegistration& operator=(const TypeLibRegistration&) = delete;

    // Throws RegistrationRefused when an interface key names another type library.
    static void CheckInterfacesAreFree();
    // Removes simhost's own keys under root, left by a simhost that ended abruptly.
    static void RemoveStale(HKEY root) noexcept;

private:
    void Remove() noexcept;
    static void RemoveKeys(HKEY root) noexcept;
    std::vector<HKEY> roots_;
    std::vector<std::wstring> files_;
};

}  // namespace simhost
