#include <new>

#include "app/run.h"
#include "platform/arguments.h"

int main(int argc, char* argv[]) {
    // Memory may run out before the search as well as during it.
    try {
        const platform::Arguments arguments(argc, argv);
        return runTwinscout(arguments.count(), arguments.values());
    } catch (const std::bad_alloc&) {
        return reportOutOfMemory();
    }
}
