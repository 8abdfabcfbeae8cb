// The name some tests use for a scratch directory.
#pragma once

#include "support/ScratchDirectory.h"

using ScratchFolder = testsupport::ScratchDirectory;
