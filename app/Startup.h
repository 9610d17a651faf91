#pragma once

namespace tv {

// The start procedure: refuses a second instance, prepares the shared state and shows the login.
// False when the program must end at once.
bool Main();

// The program's own icon on the application, so that every window shows it.
void UseProgramIcon();

} // namespace tv
