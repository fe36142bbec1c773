#include "platform/open_seam_posix.h"

namespace platform {
namespace {

BetweenLookAndOpen g_seam = nullptr;

}  // namespace

void setBetweenLookAndOpen(BetweenLookAndOpen seam) { g_seam = seam; }

void betweenLookAndOpen() {
    if (g_seam != nullptr) g_seam();
}

}  // namespace platform
