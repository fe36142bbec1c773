#include "trace/lock_patience.h"

bool LockPatience::take(const std::function<platform::OpenError()>& attempt,
                        const std::function<bool()>& pause) {
    for (;;) {
        const platform::OpenError error = attempt();
        if (!error) {
            m_waitedInVain = false;
            return true;
        }
        if (error.kind != platform::OpenError::Kind::held) return false;
        if (m_waitedInVain) return false;
        if (!pause()) {
            m_waitedInVain = true;
            return false;
        }
    }
}
