#pragma once
// The line settings a serial channel hands to the platform part when it opens a port.
#include <string>

namespace vorta::serial {

struct LineSettings {
    int baudRate = 19200;
    int dataBits = 8;
    int stopBitsCode = 1;      // 1 one, 2 one and a half, 3 two
    bool parityCheck = false;  // check the parity of received bytes
    int parityCode = 0;        // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int flowControlCode = 0;   // 0 none, 1-4 hardware handshake, 5 XON/XOFF
    int rtsMode = 0;           // 0 on, 1 off, 2 on
    int dtrMode = 0;           // 0 leave as the port has it, 1 off, 2 on
    std::string eventCharacter;  // only its first byte counts; empty: none
    int timeoutMs = 1000;        // write time-out beyond the bytes' own line time; 0: none
};

}  // namespace vorta::serial
