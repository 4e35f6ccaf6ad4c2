#include "platform/serialport.h"

namespace plat {

int serialErrorNumber(OpenResult r)
{
    switch (r) {
    case OpenResult::Ok:
        return 0;
    case OpenResult::NoSuchDevice:
        return kErrInvalidPortNumber;
    case OpenResult::InUseOrNoPermission:
        return kErrPortAlreadyOpen;
    case OpenResult::OtherError:
        break;
    }
    return 8000;
}

} // namespace plat
