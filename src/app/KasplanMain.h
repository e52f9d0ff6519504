#pragma once

namespace kasplan {

// The whole program behind main(): command-line tools first, then the
// windowed program.
int KasplanMain(int argc, char* argv[]);

} // namespace kasplan
