// Signal settings of the programs.
#include "io/signals.h"

#include <csignal>

namespace tegulo {

void IgnoreFileSizeSignal() { std::signal(SIGXFSZ, SIG_IGN); }

}  // namespace tegulo
