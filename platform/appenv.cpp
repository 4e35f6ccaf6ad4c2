#include "platform/appenv.h"

namespace plat {

void AppEnv::runClosers()
{
    auto closers = std::move(closers_);
    closers_.clear();
    for (auto it = closers.rbegin(); it != closers.rend(); ++it) {
        try {
            (*it)();
        } catch (...) {
            // Ending the program must not fail half-way: the rest still get closed.
        }
    }
}

} // namespace plat
