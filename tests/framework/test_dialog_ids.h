#pragma once
// Dialog templates and control ids of the framework tests.

#define IDD_PLAIN 200
#define IDD_CREATION_BARRIER 201
#define IDD_LINK 202

#define IDC_LINK 1003
#define IDC_BARRIER 1010

// A window class registered by the tests; its creation waits for a second thread.
#define BARRIER_CONTROL_CLASS L"FrameworkTestBarrier"
