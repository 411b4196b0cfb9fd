// UTM conversion on WGS84: Transverse Mercator series in powers of the longitude difference.
#include "core/utm.h"

#include <cmath>

static double dUtmA, dUtmK0, dUtmFalseEasting, dUtmDegree, dUtmE2, dUtmEp2;
static double dUtmArcA, dUtmArcB, dUtmArcC, dUtmArcD, dUtmArcE;
static int bUtmReady = 0;

void InitUtmConstants()
{
    const double a = 6378137.0;
    const double invF = 298.257223563;
    dUtmA = a;
    dUtmK0 = 0.9996;
    dUtmFalseEasting = 500000.0;
    dUtmDegree = 0.0174532925199433;
    const double b = a * (invF - 1.0) / invF;
    dUtmE2 = (a * a - b * b) / (a * a);
    dUtmEp2 = (a * a - b * b) / (b * b);
    const double n = (a - b) / (a + b);
    const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n;
    dUtmArcA = a * (1.0 - n + 5.0 / 4.0 * (n2 - n3) + 81.0 / 64.0 * (n4 - n5));
    dUtmArcB = 3.0 * a / 2.0 * (n - n2 + 7.0 / 8.0 * (n3 - n4) + 55.0 / 64.0 * n5);
    dUtmArcC = 15.0 * a / 16.0 * (n2 - n3 + 3.0 / 4.0 * (n4 - n5));
    dUtmArcD = 35.0 * a / 48.0 * (n3 - n4 + 11.0 / 16.0 * n5);
    dUtmArcE = 315.0 * a / 512.0 * (n4 - n5);
    bUtmReady = 1;
}

void LatLonToUtm(double dLatitude, double dLongitude, int *pnZone, double *pdNorthing, double *pdEasting,
                 int bZoneGiven)
{
    if (!bUtmReady) InitUtmConstants();
    const double phi = dLatitude * dUtmDegree;
    const double lambda = dLongitude * dUtmDegree;

    int zone = *pnZone;
    if (!bZoneGiven) {
        double z = std::floor(dLongitude / 6.0) + 31.0;
        // Compared as a double first so that a wild longitude cannot overflow the conversion.
        if (!(z <= 60.0)) z = 60.0;
        if (z < 1.0) z = 1.0;
        zone = (int)z;
        *pnZone = zone;
    }
    const double lambda0 = (6.0 * zone - 183.0) * dUtmDegree;
    const double d = lambda - lambda0;

    const double s = std::sin(phi), c = std::cos(phi);
    const double t = s / c;
    const double t2 = t * t, t4 = t2 * t2, t6 = t4 * t2;
    const double c2 = c * c, c3 = c2 * c, c5 = c3 * c2, c7 = c5 * c2;
    const double eta2 = dUtmEp2 * c2;
    const double eta4 = eta2 * eta2, eta6 = eta4 * eta2, eta8 = eta4 * eta4;
    const double nu = dUtmA / std::sqrt(1.0 - dUtmE2 * s * s);
    const double k0 = dUtmK0;

    // sin 2phi, 4phi, 6phi, 8phi from the double-angle recurrences.
    const double s2 = 2.0 * s * c, c2p = c2 - s * s;
    const double s4 = 2.0 * s2 * c2p, c4 = c2p * c2p - s2 * s2;
    const double s6 = s4 * c2p + c4 * s2;
    const double s8 = 2.0 * s4 * c4;
    const double arc = dUtmArcA * phi - dUtmArcB * s2 + dUtmArcC * s4 - dUtmArcD * s6 + dUtmArcE * s8;

    const double T1 = arc * k0;
    const double T2 = nu * s * c * k0 / 2.0;
    const double T3 = nu * s * c3 * k0 / 24.0 * (5.0 - t2 + 9.0 * eta2 + 4.0 * eta4);
    const double T4 = nu * s * c5 * k0 / 720.0 *
                      (61.0 - 58.0 * t2 + t4 + 270.0 * eta2 - 330.0 * t2 * eta2 + 445.0 * eta4 + 324.0 * eta6 -
                       680.0 * t2 * eta4 + 88.0 * eta8 - 600.0 * t2 * eta6 - 192.0 * t2 * eta8);
    const double T5 = nu * s * c7 * k0 / 40320.0 * (1385.0 - 3111.0 * t2 + 543.0 * t4 - t6);
    const double falseNorthing = dLatitude < 0 ? 10000000.0 : 0.0;
    const double d2 = d * d, d4 = d2 * d2, d6 = d4 * d2, d8 = d4 * d4;
    *pdNorthing = falseNorthing + T1 + d2 * T2 + d4 * T3 + d6 * T4 + d8 * T5;

    const double T6 = nu * c * k0;
    const double T7 = nu * c3 * k0 / 6.0 * (1.0 - t2 + eta2);
    const double T8 = nu * c5 * k0 / 120.0 *
                      (5.0 - 18.0 * t2 + t4 + 14.0 * eta2 - 58.0 * t2 * eta2 + 13.0 * eta4 + 4.0 * eta6 -
                       64.0 * t2 * eta4 - 24.0 * t2 * eta6);
    const double T9 = nu * c7 * k0 / 5040.0 * (61.0 - 479.0 * t2 + 179.0 * t4 - t6);
    const double d3 = d2 * d, d5 = d3 * d2, d7 = d5 * d2;
    *pdEasting = dUtmFalseEasting + d * T6 + d3 * T7 + d5 * T8 + d7 * T9;
}
