// Instrument command exchange: two command bytes, and the "OK" or "OV" confirmation with up to three tries.
#include "acquisition/acquisition.h"
#include "core/text.h"

// Longest exchange: three windows of 40 + 1000 ms and a reopening; another sender waits that long for the port.
static const DWORD dwExchangeLockWaitMs = 3600;

static void WriteCommandByte(HANDLE hPort, char c)
{
    DWORD dwWritten = 0;
    WriteFile(hPort, &c, 1, &dwWritten, nullptr);
}

// The exchange. nRequiredReply -1 takes either confirmation and records it; 0 or 1 takes only that one ("OV" or
// "OK"): the other ends the answer window as a failed try and changes nothing.
static int ExchangeInstrumentCommand(char c1, char c2, int bReopen, int nRequiredReply)
{
    if (!LockPortExchange(1, dwExchangeLockWaitMs)) return 0;
    if (bReopen > 0) {
        HANDLE hOld = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
        if (hOld != INVALID_HANDLE_VALUE) CloseHandle(hOld);
        WaitMilliseconds(70);
        OpenInstrumentPort(1);
        WaitMilliseconds(70);
    }
    HANDLE hPort = hInstrumentPort;
    if (hPort == INVALID_HANDLE_VALUE) {
        UnlockPortExchange(1);
        return 0;
    }
    PurgeComm(hPort, PURGE_TXCLEAR);
    PurgeComm(hPort, PURGE_RXCLEAR);
    int nResult = 0;
    for (int nTry = 0; nTry < 3 && !nResult; ++nTry) {
        WriteCommandByte(hPort, c1);
        WaitMilliseconds(40);
        WriteCommandByte(hPort, c2);
        int bOSeen = 0;
        DWORD dwStart = GetTickCount();
        while (GetTickCount() - dwStart <= 999) {
            unsigned char b = 0;
            DWORD dwRead = 0;
            if (!ReadFile(hPort, &b, 1, &dwRead, nullptr) && hInstrumentPort != hPort) {
                // The port was closed under the exchange (the session stopped): no answer can come.
                UnlockPortExchange(1);
                return 0;
            }
            if (dwRead != 1) continue;
            if (b == 'O') {
                bOSeen = 1;
            } else if (b == 'K' || b == 'V') {
                if (bOSeen) {
                    int nReply = b == 'K' ? 1 : 0;
                    if (nRequiredReply >= 0 && nReply != nRequiredReply) break;
                    nInstrumentCmdReply = nReply;
                    nResult = 1;
                    break;
                }
                bOSeen = 0;
            }
        }
    }
    UnlockPortExchange(1);
    return nResult;
}

int SendInstrumentCommand(char c1, char c2, int bReopen)
{
    return ExchangeInstrumentCommand(c1, c2, bReopen, -1);
}

int SendInstrumentReArm(char c1, char c2)
{
    int nChosen = nInstrumentCmdReply;
    return ExchangeInstrumentCommand(c1, c2, 0, nChosen == 0 || nChosen == 1 ? nChosen : -1);
}
