// Child processes with captured output, commands and scratch folders on
// Win32. There is no fork: a child is this test program started again for
// the current test alone; its Nth RunInChild call runs the body and ends the
// process, and the calls before it return what they returned in the parent.
#include "OxTestSupport.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

// The C runtime here names only the signals it can raise itself.
#ifndef SIGKILL
#define SIGKILL 9
#endif

namespace oxtest {
namespace {

constexpr const char* kChildVariable = "OX_TEST_CHILD";
// Printed to standard error when a child process did not start at all;
// scripts/reruns.py knows it.
constexpr const char* kChildNeverStarted = "oxtest: the child process did not start";

// The child's orders, read from the environment once.
struct ChildOrders {
  bool isChild = false;
  int call = 0;                     // the call whose body runs here
  std::string resultPath;           // where the body's whole result goes
  std::vector<ChildResult> earlier;  // results of the calls before it
  std::vector<std::string> folders;  // the parent's TempDir folders so far
};

// Calls made so far by the current test, and their results.
struct CallLog {
  std::string test;
  std::vector<ChildResult> results;
  std::vector<std::string> folders;  // made by TempDir
  size_t foldersTaken = 0;           // in a child: the parent's folders reused
};

std::string CurrentTestName()
{
  const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
  if (!info) return "";
  return std::string(info->test_suite_name()) + "." + info->name();
}

void WriteText(std::ostream& out, const std::string& text)
{
  out << text.size() << ' ';
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::string ReadText(std::istream& in)
{
  size_t size = 0;
  in >> size;
  in.get();
  std::string text(size, '\0');
  in.read(&text[0], static_cast<std::streamsize>(size));
  return text;
}

const ChildOrders& Orders()
{
  static ChildOrders orders = [] {
    ChildOrders made;
    const char* value = getenv(kChildVariable);
    if (!value || !*value) return made;
    std::istringstream in(value);
    std::string earlierPath;
    in >> made.call;
    in.get();
    std::getline(in, made.resultPath, '|');
    std::getline(in, earlierPath);
    made.isChild = true;
    std::ifstream earlier(earlierPath, std::ios::binary);
    int count = 0;
    earlier >> count;
    for (int i = 0; i < count; ++i) {
      ChildResult result{"", "", -1, 0};
      earlier >> result.exitCode >> result.signal;
      earlier.get();
      result.out = ReadText(earlier);
      result.err = ReadText(earlier);
      made.earlier.push_back(result);
    }
    earlier >> count;
    earlier.get();
    for (int i = 0; i < count; ++i) made.folders.push_back(ReadText(earlier));
    return made;
  }();
  return orders;
}

CallLog& Log()
{
  static CallLog log;
  std::string test = CurrentTestName();
  if (log.test != test) {
    log.test = test;
    log.results.clear();
    log.folders.clear();
    log.foldersTaken = 0;
  }
  return log;
}

std::string ReadFileBytes(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A child's output read as text: the C runtime writes each line break to a
// text stream as carriage return and line feed, read back as one line feed.
std::string ReadFileText(const std::string& path)
{
  std::string bytes = ReadFileBytes(path);
  std::string text;
  text.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i)
    if (!(bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n')) text += bytes[i];
  return text;
}

std::string TempFile(const char* prefix)
{
  char folder[MAX_PATH], path[MAX_PATH];
  GetTempPathA(MAX_PATH, folder);
  GetTempFileNameA(folder, prefix, 0, path);
  return path;
}

HANDLE Inheritable(const std::string& path, DWORD access, DWORD disposition)
{
  SECURITY_ATTRIBUTES security = {sizeof(security), nullptr, TRUE};
  return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &security,
                     disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// The signal a POSIX system would report for an exception that ended the
// process, for the tests that tell crashes from exits.
int SignalOfException(DWORD code)
{
  switch (code) {
    case EXCEPTION_ACCESS_VIOLATION: case EXCEPTION_IN_PAGE_ERROR:
    case EXCEPTION_ARRAY_BOUNDS_EXCEEDED: case EXCEPTION_STACK_OVERFLOW:
      return SIGSEGV;
    case EXCEPTION_INT_DIVIDE_BY_ZERO: case EXCEPTION_FLT_DIVIDE_BY_ZERO:
      return SIGFPE;
    case EXCEPTION_ILLEGAL_INSTRUCTION: case EXCEPTION_PRIV_INSTRUCTION:
      return SIGILL;
    default:
      return SIGABRT;
  }
}


std::wstring Widen(const std::string& text)
{
  int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(size > 0 ? size : 1, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &wide[0], size);
  wide.resize(wide.size() - 1);
  return wide;
}

// One argument quoted for a command line the C runtime splits back into the
// same argument: backslashes are literal except before a quote.
std::wstring QuoteArgument(const std::wstring& argument)
{
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  size_t backslashes = 0;
  for (wchar_t character : argument) {
    if (character == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(character == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += character;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

// Runs a command line with standard input from NUL and both outputs captured
// in files, waits for it within the timeout (killing it past that) and
// reads how it ended. The exit code comes from resultPath when the process
// wrote its full result there.
ChildResult RunProcess(std::wstring commandLine, int timeoutSeconds, const std::string& resultPath)
{
  std::string outPath = TempFile("oxo");
  std::string errPath = TempFile("oxe");
  HANDLE in = Inheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  HANDLE out = Inheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
  HANDLE err = Inheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOW startup;
  ZeroMemory(&startup, sizeof(startup));
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process;
  ZeroMemory(&process, sizeof(process));
  BOOL started = CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &process);
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);

  ChildResult result{"", "", -1, 0};
  if (started) {
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeoutSeconds) * 1000) ==
        WAIT_TIMEOUT) {
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, INFINITE);
      result.signal = SIGKILL;
    } else {
      DWORD status = 0;
      GetExitCodeProcess(process.hProcess, &status);
      if (status >= 0xC0000000u) {
        result.signal = SignalOfException(status);
      } else {
        std::string full = resultPath.empty() ? "" : ReadFileBytes(resultPath);
        result.exitCode = full.empty() ? static_cast<int>(status) : atoi(full.c_str());
      }
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  } else {
    // Under Wine a process now and then fails to start at all; the line
    // lets the test scripts tell that from a failure of the test itself.
    fprintf(stderr, "%s (error %lu)\n", kChildNeverStarted, GetLastError());
    result.exitCode = 127;
  }
  result.out = ReadFileText(outPath);
  result.err = ReadFileText(errPath);
  for (const std::string& path : {outPath, errPath, resultPath})
    if (!path.empty()) DeleteFileA(path.c_str());
  return result;
}

}  // namespace

bool IsChildRun() { return Orders().isChild; }

ChildResult RunInChild(const std::function<int()>& body, int timeoutSeconds)
{
  CallLog& log = Log();
  int call = static_cast<int>(log.results.size());
  const ChildOrders& orders = Orders();
  if (orders.isChild) {
    if (call < static_cast<int>(orders.earlier.size())) {
      log.results.push_back(orders.earlier[call]);
      return orders.earlier[call];
    }
    fflush(stdout);
    fflush(stderr);
    int code = body();
    fflush(stdout);
    fflush(stderr);
    {
      std::ofstream result(orders.resultPath, std::ios::binary | std::ios::trunc);
      result << code;
    }
    _exit(code & 0xFF);
  }

  fflush(stdout);
  fflush(stderr);
  std::string resultPath = TempFile("oxr");
  std::string earlierPath = TempFile("oxp");
  {
    std::ofstream earlier(earlierPath, std::ios::binary | std::ios::trunc);
    earlier << log.results.size() << '\n';
    for (const ChildResult& result : log.results) {
      earlier << result.exitCode << ' ' << result.signal << ' ';
      WriteText(earlier, result.out);
      WriteText(earlier, result.err);
    }
    earlier << log.folders.size() << '\n';
    for (const std::string& folder : log.folders) WriteText(earlier, folder);
  }
  DeleteFileA(resultPath.c_str());
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring commandLine = QuoteArgument(program) + L" --gtest_filter=" + Widen(log.test);
  std::string orderText = std::to_string(call) + " " + resultPath + "|" + earlierPath;
  SetEnvironmentVariableA(kChildVariable, orderText.c_str());
  ChildResult result = RunProcess(commandLine, timeoutSeconds, resultPath);
  SetEnvironmentVariableA(kChildVariable, nullptr);
  DeleteFileA(earlierPath.c_str());
  log.results.push_back(result);
  return result;
}

ChildResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                       int timeoutSeconds)
{
  fflush(stdout);
  fflush(stderr);
  std::wstring program = Widen(path);
  if (program.size() < 4 || _wcsicmp(program.c_str() + program.size() - 4, L".exe") != 0)
    program += L".exe";
  std::wstring commandLine = QuoteArgument(program);
  for (const std::string& argument : arguments) commandLine += L" " + QuoteArgument(Widen(argument));
  return RunProcess(commandLine, timeoutSeconds, "");
}

std::string RunCommand(const std::string& command)
{
  std::string text;
  FILE* pipe = _popen(command.c_str(), "rb");
  if (!pipe) return text;
  char chunk[4096];
  size_t n;
  while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) text.append(chunk, n);
  _pclose(pipe);
  return text;
}

// A child gets the folders its parent had made by the same point of the
// test, where the parent wrote the files the child reads.
std::string TempDir()
{
  CallLog& log = Log();
  const ChildOrders& orders = Orders();
  if (orders.isChild && log.foldersTaken < orders.folders.size()) {
    std::string folder = orders.folders[log.foldersTaken++];
    log.folders.push_back(folder);
    return folder;
  }
  char base[MAX_PATH];
  GetTempPathA(MAX_PATH, base);
  for (unsigned attempt = 0;; ++attempt) {
    std::string path = std::string(base) + "oxtest-dir-" + std::to_string(GetCurrentProcessId()) +
                       "-" + std::to_string(GetTickCount()) + "-" + std::to_string(attempt);
    if (CreateDirectoryA(path.c_str(), nullptr)) {
      log.folders.push_back(path);
      return path;
    }
    if (GetLastError() != ERROR_ALREADY_EXISTS) return base;
  }
}

}  // namespace oxtest
