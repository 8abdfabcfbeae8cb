// The importer's side of model loading: Assimp reads a COLLADA document into an ImportedModel.
// It runs in the "aerovant-import" process (see ImportProcess.h), never in the game, because
// crafted files crash Assimp, abort it or make it allocate gigabytes.
//
// Between the two processes travel requests and replies, each a frame of a 32-bit tag, a 32-bit
// value and a 64-bit byte count, all little-endian, followed by that many bytes:
//   request: importRequestTag, 0, the document's bytes
//   reply:   importReplyTag, importSucceeded with the binary form of the model (ImportedModel.h),
//            or importFailed with Assimp's reason as text.
#pragma once

#include "loaders/ImportedModel.h"

#include <cstddef>
#include <cstdint>
#include <string>

constexpr uint32_t importRequestTag = 0x51524941; // "AIRQ"
constexpr uint32_t importReplyTag = 0x50524941;   // "AIRP"
constexpr uint32_t importSucceeded = 0;
constexpr uint32_t importFailed = 1;

// A frame's header as it travels between the processes.
struct ImportFrameHeader {
    static constexpr size_t bytes = 16;
    uint32_t tag = 0;
    uint32_t value = 0;
    uint64_t size = 0; // bytes that follow the header
};
void writeFrameHeader(const ImportFrameHeader& header, char out[ImportFrameHeader::bytes]);
ImportFrameHeader readFrameHeader(const char in[ImportFrameHeader::bytes]);

// Imports `document` (the whole text of a COLLADA file) as the game shows it. False, with the
// reason in `error`, when Assimp cannot read it.
bool importColladaDocument(const std::string& document, ImportedModel& model, std::string& error);

// The import process's loop: reads requests from file descriptor `in` and answers each on `out`
// until `in` ends. Before each document the soft CPU limit is set `cpuSeconds` beyond the time
// used so far (never above the hard limit the game set). Returns the process's exit status.
int serveColladaImports(int in, int out, unsigned cpuSeconds);
