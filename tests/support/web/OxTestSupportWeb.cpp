// The browser's twin of OxTestSupport.cpp. A page runs one program and no
// other processes, so a "child" is the body run in this process with its
// standard output and error sent to scratch files of the page's file system
// meanwhile; a body that ends the process ends the test program, which is why
// tests of exits and crashes are desktop-only. No programs or shell commands.
#include "OxTestSupport.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace oxtest {

namespace {

std::string ReadFile(const char* path)
{
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

ChildResult RunInChild(const std::function<int()>& body, int)
{
  fflush(stdout);
  fflush(stderr);
  const char* outPath = "/tmp/oxtest-out";
  const char* errPath = "/tmp/oxtest-err";
  int outFd = open(outPath, O_RDWR | O_CREAT | O_TRUNC, 0600);
  int errFd = open(errPath, O_RDWR | O_CREAT | O_TRUNC, 0600);
  int savedOut = dup(1), savedErr = dup(2);
  dup2(outFd, 1);
  dup2(errFd, 2);
  int code = body();
  fflush(stdout);
  fflush(stderr);
  dup2(savedOut, 1);
  dup2(savedErr, 2);
  close(savedOut);
  close(savedErr);
  close(outFd);
  close(errFd);
  ChildResult result{ReadFile(outPath), ReadFile(errPath), code, 0};
  unlink(outPath);
  unlink(errPath);
  return result;
}

ChildResult RunProgram(const std::string& path, const std::vector<std::string>&, int)
{
  return ChildResult{"", "a page runs no other programs: " + path + "\n", 127, 0};
}

std::string RunCommand(const std::string&) { return ""; }

std::string TempDir()
{
  char path[] = "/tmp/oxtest-dir-XXXXXX";
  if (!mkdtemp(path)) return "/tmp";
  return path;
}

}  // namespace oxtest
