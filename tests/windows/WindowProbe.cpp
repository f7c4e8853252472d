// window_probe: asks Windows (here: Wine) what a user of corvane.exe would see, for the
// end-to-end check in corvane-wine.sh. (Menus cannot be asked about: Wine keeps them private
// to the process that owns them.) One question per run:
//   window_probe text CAPTION     the message of the message box captioned CAPTION
//   window_probe close CLASS      what the close box does: WM_SYSCOMMAND with SC_CLOSE
//   window_probe version FILE     "FILEVERSION PRODUCTNAME" from the file's version record
// Prints the answer on stdout; exit code 0 when it found what it was asked about, else 1.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

// The message box's text is its longest static control (the other one holds the icon).
BOOL CALLBACK CollectText(HWND child, LPARAM data)
{
    char className[32] = {}, text[1024] = {};
    GetClassNameA(child, className, int(sizeof className));
    GetWindowTextA(child, text, int(sizeof text));
    auto* longest = reinterpret_cast<std::string*>(data);
    if (_stricmp(className, "Static") == 0 && std::strlen(text) > longest->size())
        *longest = text;
    return TRUE;
}

int Text(const char* caption)
{
    HWND box = FindWindowA(nullptr, caption);
    if (!box)
        return 1;
    std::string text;
    EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(&text));
    std::printf("%s\n", text.c_str());
    return text.empty() ? 1 : 0;
}

int Close(const char* className)
{
    HWND window = FindWindowA(className, nullptr);
    return window && PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1;
}

int Version(const char* file)
{
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &ignored);
    std::string data(size, '\0');
    if (size == 0 || !GetFileVersionInfoA(file, 0, size, data.data()))
        return 1;
    VS_FIXEDFILEINFO* fixed = nullptr;
    char* product = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) ||
        !VerQueryValueA(data.data(), "\\StringFileInfo\\040904B0\\ProductName",
                        reinterpret_cast<void**>(&product), &length))
        return 1;
    const DWORD high = fixed->dwFileVersionMS, low = fixed->dwFileVersionLS;
    std::printf("%u.%u.%u.%u %s\n", unsigned(HIWORD(high)), unsigned(LOWORD(high)),
                unsigned(HIWORD(low)), unsigned(LOWORD(low)), product);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const std::string question = argv[1];
    if (question == "text")
        return Text(argv[2]);
    if (question == "close")
        return Close(argv[2]);
    if (question == "version")
        return Version(argv[2]);
    return 2;
}
