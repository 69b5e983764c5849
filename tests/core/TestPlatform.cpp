#include "TestPlatform.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace vistrel::test {

namespace {

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

#ifdef _WIN32
std::wstring Wide(const std::string& utf8)
{
    if (utf8.empty()) return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    return out;
}

// One argument quoted so that the C runtime's parser gives it back unchanged.
void AppendQuoted(std::wstring& line, const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\n\v\"") == std::wstring::npos) {
        line += arg;
        return;
    }
    line += L'"';
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') line.append(backslashes * 2 + 1, L'\\');
        else line.append(backslashes, L'\\');
        backslashes = 0;
        line += c;
    }
    line.append(backslashes * 2, L'\\');
    line += L'"';
}

HANDLE InheritableFile(const std::filesystem::path& path)
{
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    return CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &sa,
                       CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}
#endif

} // namespace

std::filesystem::path ProgramFile(std::filesystem::path path)
{
    if (kWindows && path.extension() != ".exe") path += ".exe";
    return path;
}

std::vector<std::string> SplitArgs(const std::string& line)
{
    std::vector<std::string> args;
    std::string cur;
    bool inArg = false;
    char quote = 0;
    for (char c : line) {
        if (quote) {
            if (c == quote) quote = 0;
            else cur += c;
        } else if (c == '\'' || c == '"') {
            quote = c;
            inArg = true;
        } else if (c == ' ' || c == '\t') {
            if (inArg) args.push_back(cur);
            cur.clear();
            inArg = false;
        } else {
            cur += c;
            inArg = true;
        }
    }
    if (inArg) args.push_back(cur);
    return args;
}

ChildProcess::~ChildProcess()
{
#ifdef _WIN32
    if (m_process) {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, INFINITE);
        CloseHandle(m_process);
    }
#else
    if (m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
#endif
}

bool ChildProcess::Start(const std::filesystem::path& program, const std::vector<std::string>& args,
                         const std::filesystem::path& dir, const std::filesystem::path& outFile,
                         const std::filesystem::path& errFile)
{
#ifdef _WIN32
    std::wstring line;
    AppendQuoted(line, program.wstring());
    for (const std::string& a : args) {
        line += L' ';
        AppendQuoted(line, Wide(a));
    }
    HANDLE out = InheritableFile(outFile);
    HANDLE err = errFile.empty() ? out : InheritableFile(errFile);
    SECURITY_ATTRIBUTES sa{sizeof sa, nullptr, TRUE};
    HANDLE in = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = in;
    si.hStdOutput = out;
    si.hStdError = err;
    PROCESS_INFORMATION pi{};
    const std::wstring folder = dir.empty() ? std::wstring() : dir.wstring();
    const BOOL ok = out != INVALID_HANDLE_VALUE && err != INVALID_HANDLE_VALUE &&
                    CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                   folder.empty() ? nullptr : folder.c_str(), &si, &pi);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    if (err != out && err != INVALID_HANDLE_VALUE) CloseHandle(err);
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (!ok) return false;
    CloseHandle(pi.hThread);
    m_process = pi.hProcess;
    return true;
#else
    const pid_t pid = ::fork();
    if (pid < 0) return false;
    if (pid == 0) {
        if (!dir.empty() && ::chdir(dir.c_str()) != 0) _exit(127);
        const int o = ::open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int e = errFile.empty() ? o : ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int in = ::open("/dev/null", O_RDONLY);
        if (o < 0 || e < 0 || in < 0) _exit(127);
        ::dup2(in, 0);
        ::dup2(o, 1);
        ::dup2(e, 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv(program.c_str(), argv.data());
        _exit(127);
    }
    m_pid = pid;
    return true;
#endif
}

int ChildProcess::Wait(int timeoutSeconds)
{
#ifdef _WIN32
    if (!m_process) return -1000;
    int status = -1001;
    if (WaitForSingleObject(m_process, static_cast<DWORD>(timeoutSeconds) * 1000) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(m_process, &code);
        status = static_cast<int>(code);
    } else {
        TerminateProcess(m_process, 1);
        WaitForSingleObject(m_process, INFINITE);
    }
    CloseHandle(m_process);
    m_process = nullptr;
    return status;
#else
    if (m_pid <= 0) return -1000;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    int st = 0;
    for (;;) {
        const pid_t r = ::waitpid(m_pid, &st, WNOHANG);
        if (r == m_pid) break;
        if (r < 0) {
            m_pid = -1;
            return -1000;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
            return -1001;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    m_pid = -1;
    return WIFEXITED(st) ? WEXITSTATUS(st) : WIFSIGNALED(st) ? -WTERMSIG(st) : -1000;
#endif
}

bool ChildProcess::Signal(int signal)
{
#ifdef _WIN32
    (void)signal;
    return false;
#else
    return m_pid > 0 && ::kill(m_pid, signal) == 0;
#endif
}

long ChildProcess::Id() const
{
#ifdef _WIN32
    return m_process ? static_cast<long>(GetProcessId(m_process)) : -1;
#else
    return static_cast<long>(m_pid);
#endif
}

ProcessRun RunProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::filesystem::path& dir, int timeoutSeconds)
{
    static std::atomic<int> counter{0};
    const auto base = std::filesystem::temp_directory_path() /
                      ("vistrel-run-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                       "-" + std::to_string(counter++));
    const std::filesystem::path outFile = base.string() + ".out";
    const std::filesystem::path errFile = base.string() + ".err";
    ProcessRun run;
    {
        ChildProcess child;
        if (child.Start(program, args, dir, outFile, errFile)) run.status = child.Wait(timeoutSeconds);
    }
    run.out = ReadText(outFile);
    run.err = ReadText(errFile);
    std::error_code ec;
    std::filesystem::remove(outFile, ec);
    std::filesystem::remove(errFile, ec);
    return run;
}

std::filesystem::path CliProgram()
{
#ifdef _WIN32
    // Beside the test program: the build's own path is a host path, not a Windows one.
    wchar_t self[32768];
    const DWORD n = GetModuleFileNameW(nullptr, self, 32768);
    return std::filesystem::path(std::wstring(self, n)).parent_path() / L"vistrel-cli.exe";
#else
    return VISTREL_CLI_PATH;
#endif
}

void SetEnvVar(const char* name, const std::optional<std::string>& value)
{
#ifdef _WIN32
    // _putenv_s keeps the C runtime's copy in step with the process's environment.
    _putenv_s(name, value ? value->c_str() : "");
    SetEnvironmentVariableW(Wide(name).c_str(), value ? Wide(*value).c_str() : nullptr);
#else
    if (value) ::setenv(name, value->c_str(), 1);
    else ::unsetenv(name);
#endif
}

ScopedEnvVar::ScopedEnvVar(const char* name, const std::optional<std::string>& value) : m_name(name)
{
    if (const char* old = std::getenv(name)) m_old = old;
    SetEnvVar(name, value);
}

ScopedEnvVar::~ScopedEnvVar() { SetEnvVar(m_name.c_str(), m_old); }

std::filesystem::path LinkOrOtherSpelling(const std::filesystem::path& file, const std::filesystem::path& link)
{
    std::error_code ec;
    std::filesystem::create_symlink(file, link, ec);
    if (!ec) return link;
    std::wstring name = file.filename().wstring();
    for (wchar_t& c : name)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    return file.parent_path() / name;
}

bool MakeFifo(const std::filesystem::path& path)
{
#ifdef _WIN32
    (void)path;
    return false;
#else
    return ::mkfifo(path.c_str(), 0600) == 0;
#endif
}

void OpenFifoBriefly(const std::filesystem::path& path)
{
#ifdef _WIN32
    (void)path;
#else
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) ::close(fd);
#endif
}

bool SetReadOnly(const std::filesystem::path& path, bool readOnly)
{
#ifdef _WIN32
    const DWORD a = GetFileAttributesW(path.c_str());
    if (a == INVALID_FILE_ATTRIBUTES) return false;
    return SetFileAttributesW(path.c_str(), readOnly ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~FILE_ATTRIBUTE_READONLY)) != 0;
#else
    return ::chmod(path.c_str(), readOnly ? 0444 : 0644) == 0;
#endif
}

std::optional<std::u16string> SystemDecode(int codePage, const std::string& bytes)
{
    if (bytes.empty()) return std::u16string();
#ifdef _WIN32
    const int n = MultiByteToWideChar(static_cast<UINT>(codePage), MB_ERR_INVALID_CHARS, bytes.data(),
                                      static_cast<int>(bytes.size()), nullptr, 0);
    if (n <= 0) return std::nullopt;
    std::u16string out(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(static_cast<UINT>(codePage), 0, bytes.data(), static_cast<int>(bytes.size()),
                        reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
#else
    const std::string name = "CP" + std::to_string(codePage);
    iconv_t cd = ::iconv_open("UTF-16LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string in = bytes;
    std::string out(bytes.size() * 4, '\0');
    char* inp = in.data();
    size_t inLeft = in.size();
    char* outp = out.data();
    size_t outLeft = out.size();
    const size_t r = ::iconv(cd, &inp, &inLeft, &outp, &outLeft);
    ::iconv_close(cd);
    if (r == static_cast<size_t>(-1) || inLeft != 0) return std::nullopt;
    const size_t bytesOut = out.size() - outLeft;
    std::u16string text(bytesOut / 2, u'\0');
    for (size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(out[2 * i]) |
                                        (static_cast<unsigned char>(out[2 * i + 1]) << 8));
    return text;
#endif
}

int AnsiCodePage()
{
#ifdef _WIN32
    return static_cast<int>(GetACP());
#else
    return 1251;
#endif
}

bool RunsAsSuperuser()
{
#ifdef _WIN32
    return false;
#else
    return ::geteuid() == 0;
#endif
}

} // namespace vistrel::test
