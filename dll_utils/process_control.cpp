#include "process_control.h"

#include <algorithm>

#include "system_error.h"
#include "text_util.h"

namespace {

const char kBlanks[] = " \t";
const long kNotFound = 18;  // ERROR_NO_MORE_FILES: the walk found no match
const long kBadPath = 123;  // ERROR_INVALID_NAME

enum class ProcessOp { kStart, kStop, kRestart, kInvalid };

ProcessOp ParseOperation(const char* word) {
    const std::string op = Trim(word, kBlanks);
    if (EqualsNoCase(op.c_str(), "start"))
        return ProcessOp::kStart;
    if (EqualsNoCase(op.c_str(), "stop"))
        return ProcessOp::kStop;
    if (EqualsNoCase(op.c_str(), "restart"))
        return ProcessOp::kRestart;
    return ProcessOp::kInvalid;
}

std::string Slashed(std::string path) {
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string FileNamePart(const std::string& path) {
    const std::size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool Contains(const std::vector<unsigned long>& ids, unsigned long id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

// Stops every match that is not protected: 0 when all of them ended, kNotFound when there
// was none, else the first failure.
long StopMatches(ProcessSystem& system, PluginSession session, const std::string& wanted) {
    std::vector<ProcessRecord> processes;
    long code = 0;
    if (!system.List(&processes, &code))
        return code != 0 ? code : kNotFound;
    const std::vector<unsigned long> kept = ProtectedProcesses(processes, system.CurrentId());
    long outcome = kNotFound;
    for (const ProcessRecord& process : processes) {
        if (!ProcessMatches(wanted, process.imagePath))
            continue;
        if (Contains(kept, process.id)) {
            // Ending the program that makes this call, or what runs it, would end the
            // installation itself; such a process is left alone and not counted.
            PluginLog(session, kLogPlain,
                      "    Proc call : Process %lu (%s) runs this installation and is not stopped",
                      process.id, process.imagePath.c_str());
            continue;
        }
        const long ended = system.Terminate(process.id, kProcessEndWaitMs);
        if (outcome == kNotFound || outcome == 0)
            outcome = ended;
    }
    return outcome;
}

long StartProgram(ProcessSystem& system, const std::string& wanted, const char* arguments) {
    // The program is quoted on its command line; a quote inside it could end that quote
    // early and turn the rest of the path into arguments.
    if (wanted.empty() || wanted.find('"') != std::string::npos)
        return kBadPath;
    return system.Start(wanted, arguments ? arguments : "");
}

// Runs the operation: 0 on success, else a system error code.
long RunOperation(ProcessSystem& system, PluginSession session, ProcessOp op,
                  const std::string& wanted, const char* arguments) {
    if (op != ProcessOp::kStart) {
        const long stopped = StopMatches(system, session, wanted);
        if (stopped == kNotFound)
            PluginLog(session, kLogPlain,
                      "    Proc call : A running process identified by '%s' file not found",
                      wanted.c_str());
        else if (stopped != 0)
            return stopped;
        if (op == ProcessOp::kStop)
            return 0;
    }
    return StartProgram(system, wanted, arguments);
}

}  // namespace

std::string WantedExecutable(ProcessSystem& system, const std::string& argument) {
    const std::string path = Slashed(Trim(argument, " \t\r\n\""));
    return NamesFolder(path) ? system.FullPath(path) : path;
}

bool ProcessMatches(const std::string& wanted, const std::string& imagePath) {
    if (wanted.empty() || imagePath.empty())
        return false;
    const std::string image = Slashed(imagePath);
    if (NamesFolder(wanted))
        return EqualsNoCase(Slashed(wanted).c_str(), image.c_str());
    return EqualsNoCase(wanted.c_str(), FileNamePart(image).c_str());
}

std::vector<unsigned long> ProtectedProcesses(const std::vector<ProcessRecord>& processes,
                                              unsigned long currentId) {
    std::vector<unsigned long> chain{currentId};
    // Identifiers are reused, so a parent may name a process that is not the parent any
    // more, or the chain may loop: it stops at an identifier already taken or not running.
    for (std::size_t i = 0; i < processes.size(); ++i) {
        auto self = std::find_if(processes.begin(), processes.end(),
                                 [&](const ProcessRecord& p) { return p.id == chain.back(); });
        if (self == processes.end() || self->parentId == 0 || Contains(chain, self->parentId))
            break;
        chain.push_back(self->parentId);
    }
    return chain;
}

int ProcessProc(ProcessSystem& system, PluginSession session, int argc, char** argv, char*, int,
                int* error) {
    if (!CheckPluginArgCount(argc, 2, 3, error))
        return 0;
    const ProcessOp op = ParseOperation(argv[2]);
    if (op == ProcessOp::kInvalid) {
        SetPluginStatus(error, ERR_PROC_BAD_ARG_VALUE);
        return 0;
    }
    const std::string opWord = Trim(argv[2], kBlanks);
    const std::string wanted = WantedExecutable(system, argv[1]);
    const long code = RunOperation(system, session, op, wanted, argc > 3 ? argv[3] : nullptr);
    if (code != 0) {
        PluginLog(session, kLogWarning, "Could not %s the process identified by '%s' file: %s",
                  opWord.c_str(), wanted.c_str(), SystemErrorText(code).c_str());
        return 0;
    }
    PluginLog(session, kLogPlain, "    Proc call : Process '%s' %s operation succeeded",
              wanted.c_str(), opWord.c_str());
    return 1;
}

int ProcessIsRunningProc(ProcessSystem& system, PluginSession session, int argc, char** argv, char*,
                         int, int* error) {
    if (!CheckPluginArgCount(argc, 1, 1, error))
        return 0;
    const std::string wanted = WantedExecutable(system, argv[1]);
    std::vector<ProcessRecord> processes;
    long code = 0;
    if (!system.List(&processes, &code)) {
        PluginLog(session, kLogWarning, "ProcessIsRunning(%s) proc error %ld: %s", wanted.c_str(),
                  code, SystemErrorText(code).c_str());
        return 0;
    }
    for (const ProcessRecord& process : processes) {
        if (ProcessMatches(wanted, process.imagePath))
            return 1;
    }
    return 0;
}
