// The game's side of model import: COLLADA documents go to an "aerovant-import" process beside the
// program, which runs Assimp under an address-space and a processor-time limit, and its answer
// comes back in the checked binary form of ImportedModel.h. Whatever the document does to Assimp
// (a crash, an abort, gigabytes of memory, minutes of parsing), the game sees a failed import.
//
// One process serves any number of documents in turn, so a level's models cost one process start;
// a process that failed is replaced by a fresh one for the next document.
#pragma once

#include "loaders/ImportedModel.h"

#include <sys/types.h>

#include <string>

class ImportProcess
{
  public:
    // The limits of each import: the import process's address space, the processor time and the
    // wall-clock time it may take over one document.
    struct Limits {
        uint64_t addressSpaceBytes = 1024ull * 1024 * 1024;
        unsigned cpuSeconds = 2;
        double wallSeconds = 4;
    };

    // Uses the "aerovant-import" beside the running program.
    ImportProcess();
    // `helper` is the import program to start.
    ImportProcess(std::string helper, Limits limits);
    // Ends the import process, if one runs.
    ~ImportProcess();
    ImportProcess(const ImportProcess&) = delete;
    ImportProcess& operator=(const ImportProcess&) = delete;

    // Imports `document` (the text of a COLLADA file). False, with the reason in `error`, when the
    // document cannot be read, or the import process cannot be started, fails, dies, runs out of
    // time or answers with anything but a well-formed model.
    bool import(const std::string& document, ImportedModel& model, std::string& error);

    // Processes started so far (for measurements and tests).
    unsigned processesStarted() const { return started; }

  private:
    bool start(std::string& error);
    // Ends the process at once and collects it; returns how it ended, for messages.
    std::string stop();

    std::string helper;
    Limits limits;
    pid_t pid = -1;
    int socket = -1; // our end of the connection to the process's standard input and output
    unsigned started = 0;
};

// The path of the import program beside the running program.
std::string importHelperPath();
