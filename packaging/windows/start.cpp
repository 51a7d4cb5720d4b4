// quor_vane_start.exe, what the Start menu entry of the installed program
// runs: it starts quor_vane.exe from its own folder with the working folder
// "Quor Vane" inside the user's documents folder, where the program reads
// pr8a_c_ds.bmp and appends to points.txt. The documents folder is asked of
// Windows at every start, so the working folder follows it when the user
// moves it. Every start makes the working folder if it is missing and puts
// there each of the default image, its ground truth and its hash that is
// missing; a file that is there is never replaced.
//
// Each file is copied under a temporary name, flushed to the disk and only
// then renamed into place, and the rename fails if the name is taken: a full
// disk or a crash leaves no half-copied pr8a_c_ds.bmp that a later start
// would take for a whole one, and two starts at once cannot overwrite each
// other's copy.
//
// It waits for the program: its normal close (status 18) ends this with 0,
// any other status is passed on. With no console to write to, a failure is
// shown in a message box with the system's reason.
#include <windows.h>

#include <shlobj.h>

#include <string>

namespace {

const wchar_t *const defaultFiles[] = {L"pr8a_c_ds.bmp", L"pr8a_c_ds_truth.csv",
                                       L"pr8a_c_ds.sha256"};
constexpr DWORD normalClose = 18;

int fail(const std::wstring &what, DWORD code)
{
    wchar_t *reason = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t *>(&reason), 0, nullptr);
    std::wstring text = what + L":\n" + (reason != nullptr ? reason : L"unknown error");
    LocalFree(reason);
    MessageBoxW(nullptr, text.c_str(), L"Quor Vane", MB_OK | MB_ICONERROR);
    return 1;
}

bool missing(const std::wstring &path)
{
    return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES &&
           GetLastError() == ERROR_FILE_NOT_FOUND;
}

bool flushed(const wchar_t *path)
{
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool done = FlushFileBuffers(file) != 0;
    DWORD error = GetLastError();
    CloseHandle(file);
    SetLastError(error);
    return done;
}

// Copies FROM into FOLDER as TARGET unless TARGET exists by the time the copy
// is whole. Sets the last error when it fails.
bool copyNew(const std::wstring &from, const std::wstring &folder, const std::wstring &target)
{
    wchar_t temporary[MAX_PATH];
    if (GetTempFileNameW(folder.c_str(), L"qv", 0, temporary) == 0)
        return false;
    bool whole = CopyFileW(from.c_str(), temporary, FALSE) && flushed(temporary);
    if (whole && MoveFileExW(temporary, target.c_str(), MOVEFILE_WRITE_THROUGH))
        return true;
    DWORD error = GetLastError();
    DeleteFileW(temporary);
    SetLastError(error);
    return whole && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int show)
{
    wchar_t module[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, module, MAX_PATH);
    if (length == 0 || length == MAX_PATH)
        return fail(L"Cannot find the folder of quor_vane_start.exe", GetLastError());
    std::wstring here(module, length);
    here.erase(here.find_last_of(L'\\'));

    wchar_t *documents = nullptr;
    HRESULT found = SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, nullptr, &documents);
    if (FAILED(found))
        return fail(L"Cannot find the documents folder", static_cast<DWORD>(found));
    std::wstring work = std::wstring(documents) + L"\\Quor Vane";
    CoTaskMemFree(documents);
    if (!CreateDirectoryW(work.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return fail(L"Cannot make the working folder " + work, GetLastError());
    for (const wchar_t *name : defaultFiles) {
        std::wstring target = work + L"\\" + name;
        if (missing(target) && !copyNew(here + L"\\" + name, work, target))
            return fail(L"Cannot copy " + std::wstring(name) + L" into " + work, GetLastError());
    }

    std::wstring program = here + L"\\quor_vane.exe";
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION process;
    if (!CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        work.c_str(), &startup, &process))
        return fail(L"Cannot start " + program, GetLastError());
    CloseHandle(process.hThread);
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 1;
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    return status == normalClose ? 0 : static_cast<int>(status);
}
