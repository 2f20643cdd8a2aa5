// Stands in for the flasher: writes the command line it was started with, as
// Windows hands it over, to CommandLine.txt beside itself (UTF-16 as UTF-8).
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH * 4] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH * 4);
    std::wstring record(self, length);
    record = record.substr(0, record.find_last_of(L'\\') + 1) + L"CommandLine.txt";
    const std::wstring line = ::GetCommandLineW();
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()),
                                            nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.c_str(), static_cast<int>(line.size()), utf8.data(),
                          bytes, nullptr, nullptr);
    const HANDLE file = ::CreateFileW(record.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                      FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    ::WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    ::CloseHandle(file);
    return 0;
}
