#include "engine/net/IoResult.h"

#include <cstring>

IoResult IoResult::FromErrno(int error)
{
    return Fail(IoStatus::Failed, QString::fromLocal8Bit(std::strerror(error)));
}
