#include "platform/console.h"

namespace platform {
namespace {

bool g_consoleWriteFailed = false;

}  // namespace

bool consoleWriteFailed() { return g_consoleWriteFailed; }

void noteConsoleWriteFailed() { g_consoleWriteFailed = true; }

}  // namespace platform
