// EM61-LX2 filter factor: conversion between the filter ratio and the filter factor the operator sees.
#pragma once

// Direction 0: ratio to factor (108 x ratio + 18 up to ratio 3.1, else 128 x ratio - 44).
// Any other direction: factor to ratio ((factor - 18) / 108 up to factor 352.8, else (factor + 44) / 128).
double ConvertFilterFactor(double dValue, int nDirection);
