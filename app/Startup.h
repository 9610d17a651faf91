#pragma once

namespace tv {

// The start procedure: refuses a second instance, prepares the shared state and shows the login.
// False when the program must end at once.
bool Main();

} // namespace tv
