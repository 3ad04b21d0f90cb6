#include "platform/FileSizeSignal.h"

#include <csignal>

namespace pixbako {

void ignoreFileSizeSignal() {
    std::signal(SIGXFSZ, SIG_IGN);
}

} // namespace pixbako
