#include "net/cNetwork.h"

bool netOpen = false;
bool netActive = false;
int32_t netRole = 0;

bool ExchangePadStates() { return false; }
void ShutdownNetwork() {}
