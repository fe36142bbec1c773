#pragma once

#include <functional>

#include "platform/system.h"

// How long records wait for a trace file that another process holds. A record
// waits up to the bound; once one has waited it all in vain, the records after
// it try once each without waiting, until one of them gets the file again. A
// run stopped while it holds the file then costs the others one bound, not one
// bound per record.
class LockPatience {
public:
    // Calls `attempt` until it answers other than held. While the file is held
    // and this record may wait, `pause` waits a moment and answers false once
    // the bound is spent. True when the file was opened.
    bool take(const std::function<platform::OpenError()>& attempt,
              const std::function<bool()>& pause);

private:
    bool m_waitedInVain = false;
};
