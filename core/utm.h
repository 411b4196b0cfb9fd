// UTM conversion on WGS84 and the length units used with it.
#pragma once

#define METRES_PER_FOOT 0.3048
#define METRES_PER_US_FOOT 0.304800609601219
#define US_FOOT_TO_FOOT 0.99999803149994

// Fills the ellipsoid and projection constants; call once before LatLonToUtm.
void InitUtmConstants();
// Latitude and longitude in degrees (north and east positive) to UTM northing and easting in metres. With
// bZoneGiven 0 the zone is computed from the longitude (1..60) and written to *pnZone; otherwise *pnZone is used.
void LatLonToUtm(double dLatitude, double dLongitude, int *pnZone, double *pdNorthing, double *pdEasting,
                 int bZoneGiven);
