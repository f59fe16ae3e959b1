#ifndef AUTORUN_RESOURCE_H
#define AUTORUN_RESOURCE_H

// The notepad picture beside "View Readme"; as the first icon it is also the
// program file's own icon.
#define IDI_NOTEPAD 1

#endif
