// UTM conversion: fixed cases and a table of reference points in both hemispheres and at zone edges.
#include <gtest/gtest.h>

#include <cmath>

#include "core/utm.h"

namespace {

class UtmTest : public ::testing::Test {
protected:
    void SetUp() override { InitUtmConstants(); }
};

TEST_F(UtmTest, CentralMeridianOnTheEquator)
{
    int zone = 0;
    double n = -1, e = -1;
    LatLonToUtm(0.0, 3.0, &zone, &n, &e, 0);
    EXPECT_EQ(zone, 31);
    EXPECT_NEAR(e, 500000.0, 1e-6);
    EXPECT_NEAR(n, 0.0, 1e-6);
}

TEST_F(UtmTest, ZoneIsLimitedToOneToSixty)
{
    int zone = 0;
    double n, e;
    LatLonToUtm(10.0, 180.0, &zone, &n, &e, 0);
    EXPECT_EQ(zone, 60);  // floor(30) + 31 = 61, limited
    LatLonToUtm(10.0, -180.0, &zone, &n, &e, 0);
    EXPECT_EQ(zone, 1);
    LatLonToUtm(10.0, -1.0e9, &zone, &n, &e, 0);
    EXPECT_EQ(zone, 1);
    LatLonToUtm(10.0, 1.0e9, &zone, &n, &e, 0);
    EXPECT_EQ(zone, 60);
}

TEST_F(UtmTest, FalseNorthingSouthOfTheEquatorOnly)
{
    int zone = 0;
    double n, e;
    LatLonToUtm(-0.000001, 3.0, &zone, &n, &e, 0);
    EXPECT_NEAR(n, 9999999.8895, 0.001);
    LatLonToUtm(0.0, 3.0, &zone, &n, &e, 0);
    EXPECT_NEAR(n, 0.0, 1e-6);
}

TEST_F(UtmTest, GivenZoneIsKept)
{
    int zone = 31;
    double n, e;
    LatLonToUtm(45.0, 6.5, &zone, &n, &e, 1);
    EXPECT_EQ(zone, 31);
    // 3.5 degrees from the central meridian: the series still holds to a few millimetres.
    EXPECT_NEAR(e, 775853.7290, 0.01);
    EXPECT_NEAR(n, 4988911.8386, 0.01);
}

// Reference values computed once with GeographicLib 2.1.2 (Debian geographiclib-tools):
//   echo "lat lon" | GeoConvert -u -p 4            (standard zone)
//   echo "lat lon" | GeoConvert -u -p 4 -z 34n     (79.9 N 23.5 E, where GeoConvert's Svalbard zone differs)
struct Reference {
    double lat, lon;
    int zone;
    double easting, northing;
};
const Reference kReferences[] = {
    {45, 3, 31, 500000.0000, 4982950.4002},
    {45, 0.0001, 31, 263561.8554, 4987329.2126},
    {45, 5.9999, 31, 736438.1446, 4987329.2126},
    {-45, -177, 1, 500000.0000, 5017049.5998},
    {-45, -179.9999, 1, 263561.8554, 5012670.7874},
    {-33.9, 18.4, 34, 259583.2217, 6245888.0454},
    {51.5, -0.12, 30, 699889.8070, 5709362.2928},
    {60, 10, 32, 555776.2668, 6651832.7354},
    {79.9, 23.5, 34, 548929.2851, 8871475.4281},
    {-79.9, -69, 19, 500000.0000, 1129575.6779},
    {10, 100.5, 47, 664411.0307, 1105786.2694},
    {-10, 141, 54, 500000.0000, 8894587.5087},
    {35, -119.5, 11, 271845.8977, 3875899.1411},
    {12.345678, -2.5, 30, 554359.8381, 1364829.2215},
    {-60.5, 60.01, 41, 335786.0952, 3289172.2901},
    {70, -3, 30, 500000.0000, 7765873.1355},
    {0.5, 177.5, 60, 555636.0880, 55267.1556},
    {-25, 27.3, 35, 530273.0026, 7235018.7579},
    {79.9, 5.9999, 31, 558705.4920, 8871937.7277},
    {-79.9, 0.0001, 31, 441294.5080, 1128062.2723},
    {0, 0.0001, 31, 166032.5860, 0.0000},
    {0.0001, -173.9999, 2, 166032.5860, 11.0683},
    {-45.5, -71.0001, 19, 343739.0946, 4959557.7797},
};

TEST_F(UtmTest, ReferencePointsWithinOneMillimetre)
{
    for (const Reference &r : kReferences) {
        SCOPED_TRACE(std::to_string(r.lat) + " " + std::to_string(r.lon));
        int zone = 0;
        double n, e;
        LatLonToUtm(r.lat, r.lon, &zone, &n, &e, 0);
        EXPECT_EQ(zone, r.zone);
        EXPECT_NEAR(e, r.easting, 0.001);
        EXPECT_NEAR(n, r.northing, 0.001);
    }
}

TEST_F(UtmTest, LengthUnits)
{
    EXPECT_DOUBLE_EQ(METRES_PER_FOOT, 0.3048);
    EXPECT_DOUBLE_EQ(METRES_PER_US_FOOT, 0.304800609601219);
    EXPECT_DOUBLE_EQ(US_FOOT_TO_FOOT, 0.99999803149994);
}

}  // namespace
