#include "trace/lock_patience.h"

bool LockPatience::take(const std::function<platform::TraceOpen()>& attempt,
                        const std::function<bool()>& pause) {
    for (;;) {
        switch (attempt()) {
            case platform::TraceOpen::opened:
                m_waitedInVain = false;
                return true;
            case platform::TraceOpen::refused:
                return false;
            case platform::TraceOpen::held:
                if (m_waitedInVain) return false;
                if (!pause()) {
                    m_waitedInVain = true;
                    return false;
                }
                break;
        }
    }
}
