#pragma once
// Resource ids shared by the resource script and the code.
#define IDI_APP 1
#define IDI_QUICK 101
#define IDI_STOP 102
#define IDI_FULL 103
#define IDI_OPEN 104
#define IDI_COPY 105
#define IDI_MOVE 106
#define IDI_DELETE 107
#define IDI_GOTO 108
