#include "PersistenceIO.h"

namespace brisel {

PersistenceIO& PersistenceIO::shared() {
    // Deliberately leaked: queued saves must not be cut short by static destruction at exit.
    static PersistenceIO* instance = new PersistenceIO();
    return *instance;
}

PersistenceIO::PersistenceIO() : queue_("com.brisel.persistence") {}

} // namespace brisel
