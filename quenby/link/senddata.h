#pragma once
// Built into both programs: depends on the platform layer only.

#include "platform/serialport.h"

#include <QByteArray>
#include <exception>
#include <functional>

namespace shared {

constexpr int kErrPortNotOpen = 8018;

// Writes s to the port unchanged, nothing appended, nothing awaited. A missing or closed port
// (error 8018) or a failing write goes to onError; the caller carries on.
void sendData(plat::SerialPort* port, const QByteArray& s,
              const std::function<void(const std::exception&)>& onError);

} // namespace shared
