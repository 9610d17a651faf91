#pragma once

#include <exception>

namespace tv {

// The message of a failure a window cannot explain ("系统未知错误，不能继续！"); a database file held by
// another workstation past the busy time-out has its own.
void ShowFailure(const std::exception &e);

} // namespace tv
