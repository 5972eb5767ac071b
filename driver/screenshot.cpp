#include "driver/screenshot.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "shared/gdi.h"

namespace marsitel::e2e {
namespace {

constexpr int kBytesPerPixel = 3;

int PaddedRowBytes(int width) { return (width * kBytesPerPixel + 3) & ~3; }

template <class T>
void WriteRaw(std::ofstream& out, const T& value) {
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

bool Image::Uniform() const {
    if (bgr.size() < kBytesPerPixel) return true;
    for (std::size_t i = kBytesPerPixel; i < bgr.size(); i += kBytesPerPixel) {
        if (std::memcmp(&bgr[i], &bgr[0], kBytesPerPixel) != 0) return false;
    }
    return true;
}

std::optional<Image> CaptureScreenRect(const RECT& rect) {
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return std::nullopt;

    const WindowDC screen;
    if (!screen.get()) return std::nullopt;
    const MemoryDC memory(screen.get());
    const UniqueBitmap bitmap(CreateCompatibleBitmap(screen.get(), width, height));
    if (!memory.get() || !bitmap) return std::nullopt;
    {
        const SelectedObject selected(memory.get(), bitmap.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top, SRCCOPY)) return std::nullopt;
    }

    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const int row_bytes = PaddedRowBytes(width);
    std::vector<std::uint8_t> padded(static_cast<std::size_t>(row_bytes) * height);
    if (GetDIBits(memory.get(), bitmap.get(), 0, height, padded.data(), &info, DIB_RGB_COLORS) != height) {
        return std::nullopt;
    }

    Image image;
    image.width = width;
    image.height = height;
    image.bgr.resize(static_cast<std::size_t>(width) * height * kBytesPerPixel);
    for (int y = 0; y < height; ++y) {
        std::copy_n(padded.begin() + static_cast<std::ptrdiff_t>(y) * row_bytes, width * kBytesPerPixel,
                    image.bgr.begin() + static_cast<std::ptrdiff_t>(y) * width * kBytesPerPixel);
    }
    return image;
}

std::optional<Image> CaptureWindow(HWND window) {
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return std::nullopt;
    return CaptureScreenRect(rect);
}

bool SaveBitmapFile(const Image& image, const std::wstring& path) {
    const int row_bytes = PaddedRowBytes(image.width);
    const DWORD pixel_bytes = static_cast<DWORD>(row_bytes) * image.height;

    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    file.bfSize = file.bfOffBits + pixel_bytes;
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = image.width;
    header.biHeight = image.height;  // bottom-up, as most viewers expect
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = pixel_bytes;
    header.biXPelsPerMeter = header.biYPelsPerMeter = 3780;

    std::ofstream out(std::filesystem::path(path), std::ios::binary);
    if (!out) return false;
    WriteRaw(out, file);
    WriteRaw(out, header);
    const std::vector<char> padding(static_cast<std::size_t>(row_bytes - image.width * kBytesPerPixel), 0);
    for (int y = image.height - 1; y >= 0; --y) {
        out.write(reinterpret_cast<const char*>(&image.bgr[static_cast<std::size_t>(y) * image.width * kBytesPerPixel]),
                  static_cast<std::streamsize>(image.width) * kBytesPerPixel);
        out.write(padding.data(), static_cast<std::streamsize>(padding.size()));
    }
    return static_cast<bool>(out);
}

void LetWineDrawWindowFrames(bool wine_draws) {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (!ntdll || !GetProcAddress(ntdll, "wine_get_version")) return;
    constexpr wchar_t kKey[] = L"Software\\Wine\\X11 Driver";
    constexpr wchar_t kValue[] = L"Decorated";
    if (wine_draws) {
        constexpr wchar_t kNo[] = L"N";
        RegSetKeyValueW(HKEY_CURRENT_USER, kKey, kValue, REG_SZ, kNo, sizeof kNo);
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kKey, kValue);
    }
}

bool EnsureDirectory(const std::wstring& path) {
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
            const std::wstring prefix = path.substr(0, i);
            if (prefix.empty() || prefix.back() == L':') continue;
            if (!CreateDirectoryW(prefix.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return false;
        }
    }
    return true;
}

}  // namespace marsitel::e2e
