// The installed engine as a game sees it: `cmake --install` of this build
// tree into a scratch prefix, then games built out of tree against that copy
// and run for a few frames on a display: the README's complete game, copied
// out of the README's own text and built with the README's own CMake and
// pkg-config recipes; the wizard-style wWinMain game of tests/windows_style/
// through the CMake package and oxlen.pc; the installed examples through
// their installed CMakeLists.txt. Then the Debian package CPack makes of the
// same install: its files, and dependencies that cover every library
// liboxlen.so links.
// Linux-only program: it installs the build and compiles games against the
// installed copy with the host's compiler, pkg-config and CMake package while
// it runs, and makes a Debian package; the Windows build's tests run under
// Wine, with the cross compiler outside.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "OxTestSupport.h"
#include "OxX11Support.h"

namespace {

const std::string kBuildDir = OX_BUILD_DIR;
const std::string kCMake = OX_CMAKE_COMMAND;
const std::string kCPack = OX_CPACK_COMMAND;
const std::string kCompiler = OX_CXX_COMPILER;
const std::string kPkgConfig = OX_PKG_CONFIG;
const std::string kPackagedGameProject = std::string(OX_SOURCE_DIR) + "/tests/packaging";
const std::string kReadme = std::string(OX_SOURCE_DIR) + "/README.md";
const std::string kWizardGame = std::string(OX_SOURCE_DIR) + "/tests/windows_style/wizard_game.cpp";
const char kBanner[] = "Oxlen Engine version: 3.10";

struct Shell {
  std::string output;  // standard output and standard error together
  int status;          // exit status, -1 when it did not exit normally
};

// Runs a shell command with its standard error joined to its output.
Shell RunShell(const std::string& command)
{
  Shell result{"", -1};
  FILE* pipe = popen(("(" + command + ") 2>&1").c_str(), "r");
  if (!pipe) return result;
  std::array<char, 4096> chunk;
  size_t n;
  while ((n = fread(chunk.data(), 1, chunk.size(), pipe)) > 0) result.output.append(chunk.data(), n);
  int status = pclose(pipe);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

// A scratch folder for one test's prefix and builds, removed at the end
// unless the test failed (then it is left for a look).
class Scratch {
 public:
  Scratch() : path_(oxtest::TempDir()) {}
  ~Scratch()
  {
    if (!::testing::Test::HasFailure()) oxtest::RunCommand("rm -rf '" + path_ + "'");
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Installs the build tree into a fresh prefix, by default inside the
// scratch folder.
std::string InstallCopy(const Scratch& scratch, std::string prefix = "")
{
  if (prefix.empty()) prefix = scratch.path() + "/prefix";
  Shell install = RunShell("'" + kCMake + "' --install '" + kBuildDir + "' --prefix '" + prefix + "'");
  EXPECT_EQ(install.status, 0) << install.output;
  return prefix;
}

std::string ReadFile(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The contents of every fenced code block of the language (```sh ... ```).
std::vector<std::string> CodeBlocks(const std::string& markdown, const std::string& language)
{
  std::vector<std::string> blocks;
  const std::string open = "\n```" + language + "\n";
  for (size_t at = markdown.find(open); at != std::string::npos; at = markdown.find(open, at)) {
    at += open.size();
    size_t end = markdown.find("\n```\n", at - 1);
    if (end == std::string::npos) break;
    blocks.push_back(markdown.substr(at, end + 1 - at));
    at = end;
  }
  return blocks;
}

// The first block of the language after the first occurrence of marker.
std::string CodeBlockAfter(const std::string& markdown, const std::string& marker,
                           const std::string& language)
{
  size_t at = markdown.find(marker);
  if (at == std::string::npos) return "";
  std::vector<std::string> blocks = CodeBlocks(markdown.substr(at), language);
  return blocks.empty() ? "" : blocks.front();
}

std::string BlockContaining(const std::vector<std::string>& blocks, const std::string& part)
{
  for (const std::string& block : blocks)
    if (block.find(part) != std::string::npos) return block;
  return "";
}

// Runs the README's shell lines as a user would, in folder, with HOME the
// scratch folder (so $HOME/oxlen is the installed copy) and the tools the
// build used first on the search path.
Shell RunReadmeCommands(const Scratch& scratch, const std::string& folder, const std::string& lines)
{
  std::string script = folder + "/readme-commands.sh";
  std::ofstream(script) << "set -e\n" << lines;
  std::string tools;
  for (const std::string& tool : {kCMake, kCompiler, kPkgConfig})
    tools += tool.substr(0, tool.rfind('/')) + ":";
  return RunShell("cd '" + folder + "' && env -u PKG_CONFIG_PATH -u CMAKE_PREFIX_PATH HOME='" + scratch.path() +
                  "' PATH='" + tools + "'\"$PATH\" bash '" + script + "'");
}

std::string LinkTarget(const std::string& path)
{
  char target[PATH_MAX];
  ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
  if (length < 0) return "";
  return std::string(target, length);
}

std::string RealPath(const std::string& path)
{
  char resolved[PATH_MAX];
  return realpath(path.c_str(), resolved) ? std::string(resolved) : "(unresolved) " + path;
}

std::string PkgConfig(const std::string& prefix, const std::string& arguments)
{
  Shell query = RunShell("PKG_CONFIG_PATH='" + prefix + "/lib/pkgconfig' '" + kPkgConfig + "' " + arguments);
  EXPECT_EQ(query.status, 0) << query.output;
  return query.output;
}

// Runs a built game with these arguments on the test's display (which must
// exist) and checks that it loaded the installed library, printed the
// banner, ended with status 0 and printed the line expected.
void ExpectGameRuns(const std::string& game, const std::string& arguments, const std::string& prefix,
                    const std::string& expectedLine, const std::string& environment = "")
{
  oxtest::UsePrivateDisplay();
  Display* display = oxtest::OpenTestDisplay();
  ASSERT_NE(display, nullptr) << "no X display for the game (DISPLAY unset or unreachable)";
  XCloseDisplay(display);

  Shell libraries = RunShell("env -u LD_LIBRARY_PATH ldd '" + game + "'");
  const std::string entry = "liboxlen.so.3 => ";
  size_t start = libraries.output.find(entry);
  ASSERT_NE(start, std::string::npos) << libraries.output;
  start += entry.size();
  std::string loaded = libraries.output.substr(start, libraries.output.find(" (", start) - start);
  EXPECT_EQ(RealPath(loaded), RealPath(prefix + "/lib/liboxlen.so.3.1")) << libraries.output;

  Shell run = RunShell("env -u LD_LIBRARY_PATH " + environment + " timeout 60 '" + game + "' " +
                       arguments + " </dev/null");
  EXPECT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find(std::string(kBanner) + "\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find(expectedLine), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find("rror"), std::string::npos) << run.output;
}

// Runs the README's game for 30 frames with its audio captured by SDL's disk
// driver, and checks that it used the installed library, printed only the
// library's start-up lines, ended with status 0 and made a sound.
void ExpectReadmeGameRuns(const Scratch& scratch, const std::string& game, const std::string& prefix)
{
  std::string audio = scratch.path() + "/audio.raw";
  oxtest::RunCommand("rm -f '" + audio + "'");
  ExpectGameRuns(game, "30", prefix, "Font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf, size 32,",
                 "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE='" + audio + "'");
  std::string samples = ReadFile(audio);
  EXPECT_GT(samples.size(), 1000u) << "no audio captured from " << game;
  EXPECT_NE(samples.find_first_not_of('\0'), std::string::npos) << "the beep is silent";
}

// Compiles and links one game source in one command with the flags
// pkg-config reads from the installed oxlen.pc (the run-time path is the
// package's libdir) plus any libraries given first; no output is expected.
std::string BuildWithPkgConfig(const Scratch& scratch, const std::string& prefix,
                               const std::string& source, const std::string& name,
                               const std::string& firstLibraries)
{
  std::string flags = PkgConfig(prefix, "--cflags --libs oxlen");
  std::string libdir = PkgConfig(prefix, "--variable=libdir oxlen");
  EXPECT_FALSE(flags.empty());
  EXPECT_FALSE(libdir.empty());
  flags.erase(flags.find_last_not_of(" \n") + 1);
  libdir.erase(libdir.find_last_not_of(" \n") + 1);
  std::string game = scratch.path() + "/" + name;
  Shell compile = RunShell("'" + kCompiler + "' -std=c++17 -Wall -Wextra '" + source + "' " +
                           firstLibraries + " " + flags + " -Wl,-rpath,'" + libdir + "' -o '" +
                           game + "'");
  EXPECT_EQ(compile.status, 0) << compile.output;
  EXPECT_EQ(compile.output, "");
  return game;
}

// Cases: the headers land in include/Oxlen with the umbrella header; the
// library is installed as liboxlen.so -> liboxlen.so.3 -> liboxlen.so.3.1
// with SONAME liboxlen.so.3, beside the entry-point library; the CMake
// package and oxlen.pc are there, report version 3.1 and hand a game only
// the engine (none of its own dependencies leak into either interface); the
// README sits beside every page of docs/ under share/doc/oxlen, as its links
// expect; the examples' sources, their CMakeLists.txt and the assets the
// demo loads are under share/oxlen/examples.
TEST(Packaging, InstallsHeadersLibraryLinksAndPackageFiles)
{
  Scratch scratch;
  std::string prefix = InstallCopy(scratch);
  std::string lib = prefix + "/lib";
  for (const char* header : {"Oxlen.h", "OxExport.h", "OxPlatform.h", "OxSystem.h", "OxGraphics.h",
                             "OxInput.h", "OxAudio.h", "OxMath.h", "OxVec2.h", "OxMtx33.h",
                             "OxMatrix4.h", "OxCollision.h"}) {
    EXPECT_EQ(access((prefix + "/include/Oxlen/" + header).c_str(), R_OK), 0) << header;
  }

  EXPECT_EQ(LinkTarget(lib + "/liboxlen.so"), "liboxlen.so.3");
  EXPECT_EQ(LinkTarget(lib + "/liboxlen.so.3"), "liboxlen.so.3.1");
  EXPECT_EQ(LinkTarget(lib + "/liboxlen.so.3.1"), "") << "the versioned file is the library itself";
  Shell dynamic = RunShell("objdump -p '" + lib + "/liboxlen.so.3.1'");
  EXPECT_NE(dynamic.output.find("SONAME               liboxlen.so.3\n"), std::string::npos)
      << dynamic.output;
  EXPECT_EQ(access((lib + "/liboxlen_main.a").c_str(), R_OK), 0);

  std::string docs = prefix + "/share/doc/oxlen";
  EXPECT_EQ(ReadFile(docs + "/README.md"), ReadFile(kReadme));
  EXPECT_EQ(oxtest::RunCommand("cd '" + std::string(OX_SOURCE_DIR) + "/docs' && ls *.md"),
            oxtest::RunCommand("cd '" + docs + "/docs' && ls *.md"));
  std::string examples = prefix + "/share/oxlen/examples";
  for (const char* file : {"minimal_game.cpp", "CMakeLists.txt", "demo/OxDemoMain.cpp",
                           "demo/OxDemoGame.h", "assets/background.png", "assets/laser.wav",
                           "assets/explosion.wav", "assets/music.ogg"}) {
    EXPECT_EQ(access((examples + "/" + file).c_str(), R_OK), 0) << file;
  }

  std::string package = lib + "/cmake/Oxlen/";
  for (const char* file : {"OxlenConfig.cmake", "OxlenConfigVersion.cmake", "OxlenTargets.cmake"}) {
    EXPECT_EQ(access((package + file).c_str(), R_OK), 0) << file;
  }
  std::string targets = oxtest::RunCommand("cat '" + package + "'OxlenTargets*.cmake");
  EXPECT_NE(targets.find("add_library(Oxlen::oxlen SHARED IMPORTED)"), std::string::npos);
  EXPECT_NE(targets.find("add_library(Oxlen::oxlen_main STATIC IMPORTED)"), std::string::npos);
  for (const char* target : {"Oxlen::oxlen", "Oxlen::oxlen_main"}) {
    EXPECT_NE(targets.find(std::string("set_target_properties(") + target +
                           " PROPERTIES\n  INTERFACE_INCLUDE_DIRECTORIES \"${_IMPORT_PREFIX}/include/Oxlen\""),
              std::string::npos)
        << target << " lacks the installed include folder:\n" << targets;
  }
  EXPECT_EQ(targets.find("INTERFACE_LINK_LIBRARIES"), std::string::npos) << targets;
  EXPECT_EQ(targets.find(OX_SOURCE_DIR), std::string::npos) << "source paths in the package";
  EXPECT_NE(oxtest::RunCommand("cat '" + package + "OxlenConfigVersion.cmake'")
                .find("set(PACKAGE_VERSION \"3.1\")"),
            std::string::npos);

  EXPECT_EQ(PkgConfig(prefix, "--modversion oxlen"), "3.1\n");
  std::string flags = PkgConfig(prefix, "--cflags --libs oxlen");
  EXPECT_NE(flags.find("/include/Oxlen"), std::string::npos) << flags;
  EXPECT_NE(flags.find("-loxlen"), std::string::npos) << flags;
  for (const char* leak : {"SDL", "GLEW", "freetype", "sndfile", "-lGL", "-lm", "pthread"}) {
    EXPECT_EQ(flags.find(leak), std::string::npos) << leak << " in " << flags;
  }
}

// Cases: a game's CMake project finds the installed copy with find_package
// (version 3.1, both components) through CMAKE_PREFIX_PATH alone, builds the
// wizard-style wWinMain game linked with Oxlen::oxlen_main and Oxlen::oxlen
// without a warning, and runs it.
TEST(Packaging, WizardGameBuildsThroughTheCMakePackage)
{
  Scratch scratch;
  std::string prefix = InstallCopy(scratch);
  std::string build = scratch.path() + "/wizard-cmake";
  Shell configure = RunShell("'" + kCMake + "' -S '" + kPackagedGameProject + "' -B '" + build +
                             "' -DGAME_SOURCE='" + kWizardGame + "' -DCMAKE_PREFIX_PATH='" + prefix +
                             "' -DCMAKE_CXX_COMPILER='" + kCompiler +
                             "' -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF");
  ASSERT_EQ(configure.status, 0) << configure.output;
  Shell compile = RunShell("'" + kCMake + "' --build '" + build + "' -j2");
  ASSERT_EQ(compile.status, 0) << compile.output;
  EXPECT_EQ(compile.output.find("warning"), std::string::npos) << compile.output;
  ExpectGameRuns(build + "/game", "5", prefix, "Wizard game frames: 5\n");
}

// Cases: the wizard-style game, with -loxlen_main before the flags, compiled
// and linked in one command with the flags of the installed oxlen.pc, and run.
TEST(Packaging, WizardGameBuildsThroughPkgConfig)
{
  Scratch scratch;
  std::string prefix = InstallCopy(scratch);
  std::string wizard = BuildWithPkgConfig(scratch, prefix, kWizardGame, "wizard_game", "-loxlen_main");
  ExpectGameRuns(wizard, "5", prefix, "Wizard game frames: 5\n");
}

// Cases: the README's complete game, taken out of the README's text (the
// same as examples/minimal_game.cpp, which the tree builds), saved
// as mygame.cpp in an empty folder and built against an installed copy at
// $HOME/oxlen with the README's own commands: its CMakeLists.txt and cmake
// line, and its pkg-config lines. Each build prints no warning; each game
// runs 30 frames with the installed library, prints nothing but the
// library's start-up lines, ends with status 0 and plays the beep it makes
// (the audio captured by SDL's disk driver is not silent).
TEST(Packaging, ReadmeGameBuildsAsCopied)
{
  Scratch scratch;
  std::string prefix = InstallCopy(scratch, scratch.path() + "/oxlen");
  std::string readme = ReadFile(kReadme);
  ASSERT_FALSE(readme.empty()) << kReadme;
  std::string game = CodeBlockAfter(readme, "## A complete game", "cpp");
  ASSERT_NE(game.find("int main("), std::string::npos) << "no game in the README:\n" << game;
  EXPECT_EQ(game, ReadFile(std::string(OX_SOURCE_DIR) + "/examples/minimal_game.cpp"))
      << "the README's game and examples/minimal_game.cpp differ";
  std::vector<std::string> shellBlocks = CodeBlocks(readme, "sh");
  std::string cmakeLine = BlockContaining(shellBlocks, "-DCMAKE_PREFIX_PATH=$HOME/oxlen &&");
  std::string pkgConfigLines = BlockContaining(shellBlocks, "PKG_CONFIG_PATH=$HOME/oxlen");
  std::string cmakeLists = CodeBlockAfter(readme, "With CMake,", "cmake");
  ASSERT_FALSE(cmakeLine.empty());
  ASSERT_FALSE(pkgConfigLines.empty());
  ASSERT_FALSE(cmakeLists.empty());

  std::string withCMake = scratch.path() + "/with-cmake";
  std::string withPkgConfig = scratch.path() + "/with-pkg-config";
  oxtest::RunCommand("mkdir -p '" + withCMake + "' '" + withPkgConfig + "'");
  std::ofstream(withCMake + "/mygame.cpp") << game;
  std::ofstream(withCMake + "/CMakeLists.txt") << cmakeLists;
  std::ofstream(withPkgConfig + "/mygame.cpp") << game;

  Shell cmake = RunReadmeCommands(scratch, withCMake, cmakeLine);
  ASSERT_EQ(cmake.status, 0) << cmake.output;
  EXPECT_EQ(cmake.output.find("warning"), std::string::npos) << cmake.output;
  ExpectReadmeGameRuns(scratch, withCMake + "/build/mygame", prefix);

  Shell pkgConfig = RunReadmeCommands(scratch, withPkgConfig, pkgConfigLines);
  ASSERT_EQ(pkgConfig.status, 0) << pkgConfig.output;
  EXPECT_EQ(pkgConfig.output, "");
  ExpectReadmeGameRuns(scratch, withPkgConfig + "/mygame", prefix);
}

// Cases: the installed examples build from their installed CMakeLists.txt
// against the installed engine without a warning, the demo included, and
// both run: the minimal game for 3 frames, the demo under its auto-pilot
// with the images and sounds it loads from the installed assets folder.
TEST(Packaging, InstalledExamplesBuildAndRun)
{
  Scratch scratch;
  std::string prefix = InstallCopy(scratch);
  std::string build = scratch.path() + "/examples";
  Shell configure = RunShell("'" + kCMake + "' -S '" + prefix + "/share/oxlen/examples' -B '" + build +
                             "' -DCMAKE_PREFIX_PATH='" + prefix + "' -DCMAKE_CXX_COMPILER='" +
                             kCompiler + "' -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF");
  ASSERT_EQ(configure.status, 0) << configure.output;
  Shell compile = RunShell("'" + kCMake + "' --build '" + build + "' -j2");
  ASSERT_EQ(compile.status, 0) << compile.output;
  EXPECT_EQ(compile.output.find("warning"), std::string::npos) << compile.output;
  ExpectGameRuns(build + "/minimal_game", "3", prefix, "Font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  ExpectGameRuns(build + "/oxlen_demo", "--frames 3", prefix, "Frames run: 3,");
}

// Cases: `cpack -G DEB` of this build tree makes oxlen_3.1_amd64.deb: package
// oxlen, version 3.1, the library and its links, the entry-point library,
// headers, CMake package, oxlen.pc, README and documentation pages, examples
// and their assets, all under /usr; an ldconfig trigger and a shlibs entry
// for the library; Depends names the package of every library liboxlen.so
// links (worked out from the libraries themselves, so SDL2, GLEW,
// FreeType, SDL2_image and libsndfile among them), and the font the
// examples use is recommended.
TEST(Packaging, DebianPackageHoldsEverythingAndDeclaresItsDependencies)
{
  Scratch scratch;
  Shell cpack = RunShell("cd '" + kBuildDir + "' && '" + kCPack + "' -G DEB -B '" + scratch.path() + "/deb'");
  ASSERT_EQ(cpack.status, 0) << cpack.output;
  std::string deb = scratch.path() + "/deb/oxlen_3.1_amd64.deb";
  ASSERT_EQ(access(deb.c_str(), R_OK), 0) << cpack.output;

  auto field = [&](const std::string& name) {
    Shell value = RunShell("dpkg-deb -f '" + deb + "' " + name);
    EXPECT_EQ(value.status, 0) << value.output;
    return value.output.substr(0, value.output.find_last_not_of("\n") + 1);
  };
  EXPECT_EQ(field("Package"), "oxlen");
  EXPECT_EQ(field("Version"), "3.1");
  EXPECT_EQ(field("Architecture"), "amd64");
  EXPECT_EQ(field("Recommends"), "fonts-dejavu-core");

  Shell listing = RunShell("dpkg-deb -c '" + deb + "'");
  ASSERT_EQ(listing.status, 0) << listing.output;
  for (const char* path :
       {"./usr/lib/liboxlen.so.3.1", "./usr/lib/liboxlen.so -> liboxlen.so.3",
        "./usr/lib/liboxlen.so.3 -> liboxlen.so.3.1", "./usr/lib/liboxlen_main.a",
        "./usr/include/Oxlen/Oxlen.h", "./usr/include/Oxlen/OxPlatform.h",
        "./usr/lib/cmake/Oxlen/OxlenConfig.cmake", "./usr/lib/cmake/Oxlen/OxlenTargets.cmake",
        "./usr/lib/pkgconfig/oxlen.pc", "./usr/share/doc/oxlen/README.md",
        "./usr/share/doc/oxlen/docs/system.md", "./usr/share/doc/oxlen/docs/platform.md",
        "./usr/share/oxlen/examples/minimal_game.cpp", "./usr/share/oxlen/examples/CMakeLists.txt",
        "./usr/share/oxlen/examples/demo/OxDemoMain.cpp",
        "./usr/share/oxlen/examples/assets/laser.wav"}) {
    EXPECT_NE(listing.output.find(std::string(" ") + path + "\n"), std::string::npos) << path;
  }
  std::istringstream entries(listing.output);
  for (std::string entry; std::getline(entries, entry);)
    EXPECT_NE(entry.find(" ./usr/"), std::string::npos) << "outside /usr: " << entry;

  std::string control = scratch.path() + "/control";
  ASSERT_EQ(RunShell("dpkg-deb -e '" + deb + "' '" + control + "'").status, 0);
  EXPECT_EQ(ReadFile(control + "/shlibs"), "liboxlen 3 oxlen (>= 3.1)\n");
  EXPECT_NE(ReadFile(control + "/postinst").find("ldconfig"), std::string::npos);

  // Every library the packaged liboxlen.so links (its DT_NEEDED entries, as
  // the dynamic linker finds them here) belongs to a package that Depends
  // names.
  std::string files = scratch.path() + "/files";
  ASSERT_EQ(RunShell("dpkg-deb -x '" + deb + "' '" + files + "'").status, 0);
  std::string library = files + "/usr/lib/liboxlen.so.3.1";
  Shell dynamic = RunShell("objdump -p '" + library + "'");
  EXPECT_EQ(dynamic.output.find("RUNPATH"), std::string::npos) << dynamic.output;
  EXPECT_EQ(dynamic.output.find("RPATH"), std::string::npos) << dynamic.output;
  std::set<std::string> depends;
  std::string dependsField = field("Depends");
  std::istringstream parts(dependsField);
  for (std::string part; std::getline(parts, part, ',');) {
    part.erase(0, part.find_first_not_of(' '));
    depends.insert(part.substr(0, part.find_first_of(" (")));
  }
  Shell resolved = RunShell("ldd '" + library + "'");
  std::istringstream needed(dynamic.output);
  int checked = 0;
  for (std::string line; std::getline(needed, line);) {
    size_t at = line.find("NEEDED");
    if (at == std::string::npos) continue;
    std::string name = line.substr(line.find_first_not_of(' ', at + 6));
    size_t pathAt = resolved.output.find(name + " => ");
    ASSERT_NE(pathAt, std::string::npos) << name << " unresolved:\n" << resolved.output;
    pathAt += name.size() + 4;
    std::string path = RealPath(resolved.output.substr(pathAt, resolved.output.find(" (", pathAt) - pathAt));
    // dpkg may know the file by its path before /lib moved under /usr.
    std::string other = path.rfind("/usr/", 0) == 0 ? path.substr(4) : "/usr" + path;
    Shell owner = RunShell("dpkg -S '" + path + "' 2>/dev/null || dpkg -S '" + other + "'");
    std::string package = owner.output.substr(0, owner.output.find(':'));
    EXPECT_EQ(depends.count(package), 1u) << name << " (" << path << ", from " << package
                                          << ") is not in Depends: " << dependsField;
    ++checked;
  }
  EXPECT_GE(checked, 6) << dynamic.output;
  for (const char* family : {"libsdl2-2.0-0", "libsdl2-image-2.0-0", "libglew", "libfreetype",
                             "libsndfile1"}) {
    EXPECT_NE(dependsField.find(family), std::string::npos) << family << " in " << dependsField;
  }
}

}  // namespace
