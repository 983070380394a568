// Child processes with captured output, shell commands and scratch folders.
#include "OxTestSupport.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <array>

namespace oxtest {
namespace {

std::string ReadAll(int fd)
{
  std::string text;
  std::array<char, 4096> chunk;
  ssize_t n;
  while ((n = read(fd, chunk.data(), chunk.size())) > 0) text.append(chunk.data(), n);
  return text;
}

}  // namespace

ChildResult RunInChild(const std::function<int()>& body, int timeoutSeconds)
{
  fflush(stdout);
  fflush(stderr);
  char outPath[] = "/tmp/oxtest-out-XXXXXX";
  char errPath[] = "/tmp/oxtest-err-XXXXXX";
  int outFd = mkstemp(outPath);
  int errFd = mkstemp(errPath);
  // body's whole result goes through a pipe: an exit status keeps only its
  // low eight bits, which would lose failure flags set above them.
  int resultPipe[2] = {-1, -1};
  if (pipe2(resultPipe, O_CLOEXEC) != 0) resultPipe[0] = resultPipe[1] = -1;
  // Read without waiting: a process the child started may hold the write end.
  if (resultPipe[0] >= 0) fcntl(resultPipe[0], F_SETFL, O_NONBLOCK);
  pid_t pid = fork();
  if (pid == 0) {
    int nullFd = open("/dev/null", O_RDONLY);
    dup2(nullFd, 0);
    dup2(outFd, 1);
    dup2(errFd, 2);
    if (resultPipe[0] >= 0) close(resultPipe[0]);
    int code = body();
    fflush(stdout);
    fflush(stderr);
    if (resultPipe[1] >= 0 && write(resultPipe[1], &code, sizeof code) != sizeof code) _exit(255);
    _exit(code & 0xFF);
  }
  if (resultPipe[1] >= 0) close(resultPipe[1]);
  ChildResult result{"", "", -1, 0};
  int status = 0;
  time_t deadline = time(nullptr) + timeoutSeconds;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (time(nullptr) > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    usleep(2000);
  }
  if (WIFEXITED(status)) {
    int code = 0;
    bool returned = resultPipe[0] >= 0 && read(resultPipe[0], &code, sizeof code) == sizeof code;
    result.exitCode = returned ? code : WEXITSTATUS(status);
  }
  if (resultPipe[0] >= 0) close(resultPipe[0]);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  lseek(outFd, 0, SEEK_SET);
  lseek(errFd, 0, SEEK_SET);
  result.out = ReadAll(outFd);
  result.err = ReadAll(errFd);
  close(outFd);
  close(errFd);
  unlink(outPath);
  unlink(errPath);
  return result;
}

ChildResult RunProgram(const std::string& path, const std::vector<std::string>& arguments,
                       int timeoutSeconds)
{
  return RunInChild(
      [&]() {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(path.c_str()));
        for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        return 127;
      },
      timeoutSeconds);
}

std::string RunCommand(const std::string& command)
{
  std::string text;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return text;
  std::array<char, 4096> chunk;
  size_t n;
  while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) text.append(chunk.data(), n);
  pclose(pipe);
  return text;
}

std::string TempDir()
{
  char path[] = "/tmp/oxtest-dir-XXXXXX";
  if (!mkdtemp(path)) return "/tmp";
  return path;
}

}  // namespace oxtest
