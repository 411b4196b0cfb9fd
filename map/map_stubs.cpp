// Map services not drawn yet.
#include "map/map.h"

int nMapWndHeight = 400;
void InitMapView() {}
void FreeMapTiles() {}
void ComputeMapDirection() {}
void ShowWaitingForGps() {}
void ShowPleaseWait() {}
void ReplotMapEm61Mk2() {}
