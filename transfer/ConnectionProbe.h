// Whether the machine is on line, asked before each check-in.
#pragma once

// Nonzero when connected (also when the Internet library cannot be loaded), 0 otherwise.
int IsInternetConnected();
