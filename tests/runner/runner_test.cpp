// vorla11 and vorla10 run as the headline engine starts them: a process of their own with standard
// output redirected into a file, here in a fresh folder per run that is also the current folder.
// Each row of the table is one run: the exact bytes it must leave on standard output, its exit
// code, and nothing at all on standard error.
//
// The test plug-ins (test_plugin.c) abort when load or unload is called, or getversion or execute
// a second time, so every row also shows that the runner calls neither.
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <ostream>
#include <spawn.h>
#include <stdexcept>
#include <stdlib.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

enum class Start {
    normally,
    withoutProgramName, // with no words at all, not even its own name
    withoutFixedBlocks, // with every fixed global memory block failing to allocate
};

struct RunnerCase {
    const char* name;
    const char* runner;
    std::vector<std::string> words; // after the program name; "{x}" is the test plug-in x
    std::string out;                // "{runner}" is the program's path, "{x}" as in words
    int exitCode;
    Start start = Start::normally;
};

void PrintTo(const RunnerCase& run, std::ostream* out) {
    *out << run.name;
}

const std::string version11 = "getversion() returns length 12 and strings HEADLINE/1.1.\r\n";
const std::string version10 = "getversion() returns length 12 and strings HEADLINE/1.0.\r\n";
const std::string usage = "usage: {runner} dllname inputfile\r\n";
// The name "入力 file.txt" in Shift JIS bytes: handed to the plug-in as it is, never converted.
const std::string shiftJisName = "\x93\xfc\x97\xcd file.txt";

// clang-format off
const RunnerCase runs[] = {
    {"NoArguments", "vorla11", {}, usage, 1},
    {"OneArgument", "vorla10", {"{echo10}"}, usage, 1},
    {"ThreeArguments", "vorla11", {"{echo11}", "input.txt", "input.txt"}, usage, 1},
    {"NoProgramName", "vorla11", {}, "usage:  dllname inputfile\r\n", 1, Start::withoutProgramName},

    {"MissingLibrary", "vorla11", {"missing.so", "input.txt"}, "cannot link DLL missing.so.\r\n", 1},
    {"NotALibrary", "vorla11", {"input.txt", "input.txt"}, "cannot link DLL input.txt.\r\n", 1},
    {"EmptyLibraryName", "vorla11", {"", "input.txt"}, "cannot link DLL .\r\n", 1},
    {"BareNameIsNotSearched", "vorla11", {"libc.so.6", "input.txt"}, "cannot link DLL libc.so.6.\r\n", 1},
    {"UnresolvedSymbol", "vorla11", {"{unresolved}", "input.txt"}, "cannot link DLL {unresolved}.\r\n", 1},

    {"NoGetversion", "vorla11", {"{no_getversion}", "input.txt"},
     "{no_getversion}: cannot export getversion().\r\n", 1},
    {"NoExecute", "vorla11", {"{no_execute}", "input.txt"},
     version11 + "{no_execute}: cannot export execute().\r\n", 1},
    {"NoLoad", "vorla11", {"{no_load}", "input.txt"},
     version11 + "{no_load}: cannot export load().\r\n", 1},
    {"NoUnload", "vorla11", {"{no_unload}", "input.txt"},
     version11 + "{no_unload}: cannot export unload().\r\n", 1},
    {"UnloadOnlyInALinkedLibrary", "vorla11", {"{unload_in_dependency}", "input.txt"},
     version11 + "{unload_in_dependency}: cannot export unload().\r\n", 1},

    {"VersionLength11", "vorla11", {"{length11}", "input.txt"},
     "getversion() returns length 11 and strings HEADLINE/1.1.\r\n"
     "{length11}: getversion() is not return length 12.\r\n", 1},
    {"VersionLength13", "vorla11", {"{length13}", "input.txt"},
     "getversion() returns length 13 and strings HEADLINE/1.1.\r\n"
     "{length13}: getversion() is not return length 12.\r\n", 1},
    {"Version10GivenTo11", "vorla11", {"{echo10}", "input.txt"},
     version10 + "{echo10}: getversion() is not return strings \"HEADLINE/1.1\".\r\n", 1},
    {"Version11GivenTo10", "vorla10", {"{echo11}", "input.txt"},
     version11 + "{echo11}: getversion() is not return strings \"HEADLINE/1.0\".\r\n", 1},
    {"VersionInLowerCase", "vorla11", {"{lowercase}", "input.txt"},
     "getversion() returns length 12 and strings headline/1.1.\r\n"
     "{lowercase}: getversion() is not return strings \"HEADLINE/1.1\".\r\n", 1},
    {"NoVersionBlock", "vorla11", {"{no_version_block}", "input.txt"},
     "getversion() returns length 12 and strings .\r\n"
     "{no_version_block}: getversion() is not return strings \"HEADLINE/1.1\".\r\n", 1},
    {"VersionBlockOf8Bytes", "vorla11", {"{short_version}", "input.txt"},
     "getversion() returns length 12 and strings HEADLINE.\r\n"
     "{short_version}: getversion() is not return strings \"HEADLINE/1.1\".\r\n", 1},

    {"MissingInput", "vorla11", {"{echo11}", "missing.txt"},
     version11 + "cannot open file missing.txt.\r\n", 1},
    {"FolderAsInput", "vorla11", {"{echo11}", "folder"},
     version11 + "cannot open file folder.\r\n", 1},
    {"NoMemoryForTheName", "vorla11", {"{echo11}", "input.txt"},
     version11 + "cannot allocate memory for filename input.txt.\r\n", 1, Start::withoutFixedBlocks},
    {"NullResult", "vorla11", {"{null_result}", "input.txt"},
     version11 + "execute() returns NULL handle.\r\n", 1},
    {"NoMemoryForTheResult", "vorla11", {"{huge}", "input.txt"},
     version11 + "memory exhaust in malloc(67108864+1).\r\n", 1},
    // The copy is made for the reported length, and the message names that length, even when the
    // block itself is smaller.
    {"NoMemoryForTheReportedLength", "vorla11", {"{overlong}", "input.txt"},
     version11 + "memory exhaust in malloc(67108864+1).\r\n", 1},
    {"ResultHandleUnknownToTheMemoryLayer", "vorla11", {"{stray_handle}", "input.txt"},
     version11 + "execute() returns NULL handle.\r\n", 1},

    {"Echo11", "vorla11", {"{echo11}", "input.txt"},
     version11 + "execute() returns length 54.\r\n"
                 "input.txt\r\nreceived 9 bytes in a fixed block of 10\r\r\nend\r\n", 0},
    {"Echo10WithShiftJisName", "vorla10", {"{echo10}", shiftJisName},
     version10 + "execute() returns length 59.\r\n" + shiftJisName +
                 "\r\nreceived 13 bytes in a fixed block of 14\r\r\nend\r\n", 0},
    {"BareNameInTheCurrentFolder", "vorla11", {"local.so", "input.txt"},
     version11 + "execute() returns length 54.\r\n"
                 "input.txt\r\nreceived 9 bytes in a fixed block of 10\r\r\nend\r\n", 0},
    {"EmptyResult", "vorla11", {"{empty}", "input.txt"},
     version11 + "execute() returns length 0.\r\n\r\n", 0},
    {"NulInResult", "vorla11", {"{nul_byte}", "input.txt"},
     version11 + "execute() returns length 12.\r\nbefore\r\n", 0},
    {"ResultShorterThanItsLength", "vorla11", {"{short_result}", "input.txt"},
     version11 + "execute() returns length 100.\r\nshort text\r\n", 0},
    {"NegativeResultLength", "vorla11", {"{negative}", "input.txt"},
     version11 + "execute() returns length -5.\r\nnegative\r\n", 0},
};
// clang-format on

// Every "{name}" in text replaced: {runner} by the program's path, any other by a test plug-in's.
std::string expand(std::string text, const std::string& runner) {
    for (std::size_t open = text.find('{'); open != std::string::npos; open = text.find('{', open)) {
        const std::size_t close = text.find('}', open);
        const std::string name = text.substr(open + 1, close - open - 1);
        const std::string value = name == "runner" ? runner : PLUGIN_FOLDER "/" + name + ".so";
        text.replace(open, close - open + 1, value);
        open += value.size();
    }
    return text;
}

struct Outcome {
    int exitCode; // the signal, negated, when the runner did not exit
    std::string out;
    std::string err;
};

std::string contentOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Runs the program in folder with argv as given and standard error redirected into a file there;
// standard output goes into a file there too, unless another place is named for it.
Outcome start(const std::filesystem::path& folder, const std::string& program,
              const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment,
              const char* outDevice = nullptr) {
    const std::string outPath = outDevice != nullptr ? std::string(outDevice) : (folder / "stdout").string();
    const std::string errPath = (folder / "stderr").string();
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    std::vector<char*> args;
    for (const std::string& word : argv)
        args.push_back(const_cast<char*>(word.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> environment(extraEnvironment);
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::strncmp(*entry, "ASAN_OPTIONS=", 13) != 0 && std::strncmp(*entry, "LD_PRELOAD=", 11) != 0)
            environment.emplace_back(*entry);
    std::vector<char*> env;
    for (std::string& entry : environment)
        env.push_back(entry.data());
    env.push_back(nullptr);

    pid_t pid = 0;
    const int failed = posix_spawn(&pid, program.c_str(), &actions, nullptr, args.data(), env.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed != 0)
        return {-1000, {}, {}};
    int status = 0;
    waitpid(pid, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status),
            outDevice != nullptr ? std::string() : contentOf(outPath), contentOf(errPath)};
}

// A fresh current folder holding the inputs the rows name, and echo11 under a bare name. Made with
// the standard library, which takes file names as bytes: one of them is not UTF-8.
class RunnerFolder {
public:
    RunnerFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "runner_tests-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            throw std::runtime_error("no temporary folder");
        path_ = pattern;
        for (const std::string& name : {std::string("input.txt"), shiftJisName})
            std::ofstream(path_ / name, std::ios::binary) << "<html>headline</html>\n";
        std::filesystem::create_directory(path_ / "folder");
        std::filesystem::create_symlink(PLUGIN_FOLDER "/echo11.so", path_ / "local.so");
    }
    ~RunnerFolder() { std::filesystem::remove_all(path_); }
    RunnerFolder(const RunnerFolder&) = delete;
    RunnerFolder& operator=(const RunnerFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// Environment of every runner: a sanitized build reports a failed allocation as a null pointer, as
// the plain build does, and accepts a preloaded library ahead of its runtime.
const std::string sanitizerOptions = "ASAN_OPTIONS=allocator_may_return_null=1:verify_asan_link_order=0";

class RunnerTable : public testing::TestWithParam<RunnerCase> {};

TEST_P(RunnerTable, PrintsExactlyAndExits) {
    const RunnerCase& run = GetParam();
    RunnerFolder folder;
    const std::string runner = RUNNER_FOLDER "/" + std::string(run.runner);
    std::vector<std::string> argv;
    if (run.start != Start::withoutProgramName)
        argv.push_back(runner);
    for (const std::string& word : run.words)
        argv.push_back(expand(word, runner));
    std::vector<std::string> environment{sanitizerOptions};
    if (run.start == Start::withoutFixedBlocks)
        environment.push_back("LD_PRELOAD=" NO_FIXED_BLOCKS);

    const Outcome outcome = start(folder.path(), runner, argv, environment);
    EXPECT_EQ(outcome.out, expand(run.out, runner));
    EXPECT_EQ(outcome.exitCode, run.exitCode);
    EXPECT_EQ(outcome.err, "");
}

INSTANTIATE_TEST_SUITE_P(Runs, RunnerTable, testing::ValuesIn(runs),
                         [](const testing::TestParamInfo<RunnerCase>& info) {
                             return std::string(info.param.name);
                         });

// A result that cannot be written out is not a success, even though the plug-in ran.
TEST(RunnerOutput, UnwritableOutputFailsTheRun) {
    RunnerFolder folder;
    const std::string runner = RUNNER_FOLDER "/vorla11";
    const Outcome outcome = start(folder.path(), runner, {runner, PLUGIN_FOLDER "/echo11.so", "input.txt"},
                                  {sanitizerOptions}, "/dev/full");
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_EQ(outcome.err, "");
}

} // namespace
