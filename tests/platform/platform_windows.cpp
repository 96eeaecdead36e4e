// The Windows side of platform.h: CreateProcessW with a quoted UTF-16 command line and pipes.
#include "platform.h"

#include <windows.h>

#include <thread>

namespace platform {

const bool OnWindows = true;

namespace {

std::wstring wide(const std::string& utf8)
{
    std::wstring text(utf8.size(), L'\0');  // never more UTF-16 units than UTF-8 bytes
    const int size = static_cast<int>(utf8.size());
    text.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, text.data(), size)));
    return text;
}

// One argument as the C runtime and CommandLineToArgvW split it back: in quotes, a quote inside after
// its backslashes doubled and one more, the backslashes before the closing quote doubled.
std::wstring quoted(const std::wstring& argument)
{
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'"') text.append(backslashes + 1, L'\\');  // the backslashes just written doubled, one for the quote
        backslashes = c == L'\\' ? backslashes + 1 : 0;
        text += c;
    }
    return text.append(backslashes, L'\\') + L'"';  // the trailing backslashes doubled before the closing quote
}

std::string readAll(HANDLE pipe)
{
    std::string bytes;
    char buffer[65536];
    for (DWORD got = 0; ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0;) bytes.append(buffer, got);
    CloseHandle(pipe);
    return bytes;
}

}  // namespace

Finished run(const std::vector<std::string>& command, const std::string& folder, const std::string& input,
             const std::function<void(long id)>& whileRunning)
{
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE in[2]{}, out[2]{}, err[2]{};  // each: the end read, the end written
    for (HANDLE* pipe : {in, out, err}) CreatePipe(&pipe[0], &pipe[1], &inherited, 0);
    for (HANDLE own : {in[1], out[0], err[0]}) SetHandleInformation(own, HANDLE_FLAG_INHERIT, 0);  // the child's ends alone
    std::wstring line;
    for (const std::string& argument : command) line += (line.empty() ? L"" : L" ") + quoted(wide(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup, startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in[0], startup.hStdOutput = out[1], startup.hStdError = err[1];
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, wide(folder).c_str(), &startup, &process);
    for (HANDLE childs : {in[0], out[1], err[1]}) CloseHandle(childs);
    // Input and output go at once, so that neither side waits on a full pipe.
    Finished finished;
    std::thread feeder([&] { DWORD written = 0; WriteFile(in[1], input.data(), static_cast<DWORD>(input.size()), &written, nullptr); CloseHandle(in[1]); });
    std::thread errors([&] { finished.err = readAll(err[0]); });
    std::thread watcher([&] { if (started && whileRunning) whileRunning(static_cast<long>(process.dwProcessId)); });
    finished.out = readAll(out[0]);
    for (std::thread* thread : {&feeder, &errors, &watcher}) thread->join();
    DWORD code = 0;
    if (started && WaitForSingleObject(process.hProcess, INFINITE) == WAIT_OBJECT_0 && GetExitCodeProcess(process.hProcess, &code))
        finished.exitCode = static_cast<int>(code);
    for (HANDLE handle : {process.hThread, process.hProcess}) CloseHandle(handle);
    return finished;
}

bool stop(long, bool) { return false; }  // the one test that stops runs is POSIX's: it sends signals

bool makePipe(const std::string&) { return false; }  // Windows keeps named pipes out of folders

}  // namespace platform
