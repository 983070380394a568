// Helpers shared by the test programs: running code in a child process with
// its output captured, and reading files the tests write.
#pragma once
#include <functional>
#include <string>
#include <vector>

namespace oxtest {

// What a child process printed and how it ended.
struct ChildResult {
  std::string out;  // standard output
  std::string err;  // standard error
  int exitCode;     // body's result in full, the exit status when the child
                    // exited itself, or -1 when killed by a signal
  int signal;       // the signal that ended it, 0 if none
};

// Runs body in a forked child with stdout and stderr captured (stdin is
// /dev/null). The child exits with body's result unless body exits itself.
ChildResult RunInChild(const std::function<int()>& body, int timeoutSeconds = 60);

// Runs the program at path with these arguments (UTF-8, passed as they are)
// and its output captured, as RunInChild does; on Win32 path may leave out
// ".exe".
ChildResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                       int timeoutSeconds = 60);

// Runs a shell command and returns its standard output.
std::string RunCommand(const std::string& command);

// How many times part occurs in text (overlapping occurrences count).
inline size_t Count(const std::string& text, const std::string& part)
{
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++count;
  return count;
}

// A fresh empty directory for this test process's files.
std::string TempDir();

// Whether AddressSanitizer instruments this build (its quarantine keeps freed
// memory resident, so resident-size bounds do not hold under it).
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

#ifdef _WIN32
// Whether this process is a child that RunInChild started (Win32, where a
// child is the test program run again).
bool IsChildRun();
#endif

}  // namespace oxtest
