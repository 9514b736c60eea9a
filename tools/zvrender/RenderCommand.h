// The two jobs of the zvrender command: render a file, or make the demo set. Both report errors
// as one line and leave no partial file behind.
#pragma once

#include <string>

#include "RenderOptions.h"
#include "Renderer.h"

namespace zvrender {

// Resolves --preset and --user-preset into the job (preset values) plus --set, --block, --tempo,
// --start.
bool buildJob(const RenderOptions& options, RenderJob& job, std::string& error);

// IN.wav -> OUT.wav (+ meters). `showProgress` draws a bar on stderr; the summary goes to stdout
// unless quiet.
bool renderFileCommand(const RenderOptions& options, Renderer& renderer, const RenderJob& job,
                       bool showProgress, std::string& error);

// --demo OUTDIR.
bool demoCommand(const RenderOptions& options, Renderer& renderer, const RenderJob& job,
                 bool showProgress, std::string& error);

// Program entry, returns the exit status.
int runCommandLine(int argc, const char* const* argv);

}  // namespace zvrender
