#pragma once

#include <functional>

// Qt settings the tray program makes for itself through the environment (its event loop, its GL
// integration). Programs it starts, such as the browser for the help pages, get the user's own
// environment instead.
namespace OwnEnvironment {

// Sets name=value unless the user has set name.
void set(const char* name, const char* value);

// Runs start with the variables set() made taken out again, and puts them back afterwards.
void withoutOwn(const std::function<void()>& start);

} // namespace OwnEnvironment
