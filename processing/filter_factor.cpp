// EM61-LX2 filter factor: conversion between the filter ratio and the filter factor the operator sees.
#include "processing/filter_factor.h"

double ConvertFilterFactor(double dValue, int nDirection)
{
    if (nDirection == 0) {
        if (dValue <= 3.1)
            return 108.0 * dValue + 18.0;
        return 128.0 * dValue - 44.0;
    }
    if (dValue <= 352.8)
        return (dValue - 18.0) / 108.0;
    return (dValue + 44.0) / 128.0;
}
