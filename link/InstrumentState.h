// Link: the instrument's settings as last reported ("ID" and "SU").
#pragma once

#include <cstdint>

struct InstrumentState {
    int32_t ModelIndex = 0; // 0 QZ7732, 1 QZ7731
    int32_t Units = 0;
    int32_t Input = 0;
    int32_t SensorA = 0;
    int32_t SensorB = 0;
    int32_t CJCA = 0;
    int32_t CJCB = 0;
    int32_t Resolution = 0;
    int32_t CoeffMode = 0;
    int32_t CorrMode = 0;

    // Everything but ModelIndex back to 0.
    void resetSettings()
    {
        const int32_t model = ModelIndex;
        *this = InstrumentState();
        ModelIndex = model;
    }
};
