// aerovant-import CPU_SECONDS: the game's model import process (see loaders/ImportProcess.h). Reads
// COLLADA documents from standard input and answers each with the imported model on standard
// output; each document may use CPU_SECONDS of processor time.
#include "loaders/ColladaImport.h"

#include <cstdlib>

int main(int argc, char** argv)
{
    const long seconds = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 0;
    return serveColladaImports(0, 1, seconds > 0 ? unsigned(seconds) : 2);
}
