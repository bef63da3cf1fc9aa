// PC/SC as WinSCard offers it, over pcsc-lite, and the smart-card database
// (card types by ATR and ATR mask, with their CSPs) kept in the registry
// under HKLM\SOFTWARE\Microsoft\Cryptography\Calais\SmartCards\<card name>,
// values "ATR" and "ATRMask" (REG_BINARY) and "Crypto Provider" (REG_SZ).
// Every function returns its SCARD_ code (as LONG) and leaves the last error
// alone. Wide forms convert at the boundary; multi-strings end in two NULs.
#pragma once

#include "win32/error_codes.h"  // the SCARD_ codes these functions return
#include "win32/types.h"

using SCARDCONTEXT = ULONG_PTR;
using LPSCARDCONTEXT = SCARDCONTEXT*;
using SCARDHANDLE = ULONG_PTR;
using LPSCARDHANDLE = SCARDHANDLE*;

inline constexpr DWORD SCARD_SCOPE_USER = 0;
inline constexpr DWORD SCARD_SCOPE_TERMINAL = 1;
inline constexpr DWORD SCARD_SCOPE_SYSTEM = 2;
inline constexpr DWORD SCARD_AUTOALLOCATE = 0xFFFFFFFFu;

inline constexpr DWORD SCARD_STATE_UNAWARE = 0x00000000;
inline constexpr DWORD SCARD_STATE_IGNORE = 0x00000001;
inline constexpr DWORD SCARD_STATE_CHANGED = 0x00000002;
inline constexpr DWORD SCARD_STATE_UNKNOWN = 0x00000004;
inline constexpr DWORD SCARD_STATE_UNAVAILABLE = 0x00000008;
inline constexpr DWORD SCARD_STATE_EMPTY = 0x00000010;
inline constexpr DWORD SCARD_STATE_PRESENT = 0x00000020;
inline constexpr DWORD SCARD_STATE_ATRMATCH = 0x00000040;
inline constexpr DWORD SCARD_STATE_EXCLUSIVE = 0x00000080;
inline constexpr DWORD SCARD_STATE_INUSE = 0x00000100;
inline constexpr DWORD SCARD_STATE_MUTE = 0x00000200;
inline constexpr DWORD SCARD_STATE_UNPOWERED = 0x00000400;

inline constexpr DWORD SCARD_SHARE_EXCLUSIVE = 1;
inline constexpr DWORD SCARD_SHARE_SHARED = 2;
inline constexpr DWORD SCARD_SHARE_DIRECT = 3;
inline constexpr DWORD SCARD_PROTOCOL_UNDEFINED = 0;
inline constexpr DWORD SCARD_PROTOCOL_T0 = 1;
inline constexpr DWORD SCARD_PROTOCOL_T1 = 2;
inline constexpr DWORD SCARD_PROTOCOL_RAW = 0x10000;
inline constexpr DWORD SCARD_LEAVE_CARD = 0;
inline constexpr DWORD SCARD_RESET_CARD = 1;
inline constexpr DWORD SCARD_UNPOWER_CARD = 2;
inline constexpr DWORD SCARD_EJECT_CARD = 3;

inline constexpr DWORD SCARD_PROVIDER_PRIMARY = 1;
inline constexpr DWORD SCARD_PROVIDER_CSP = 2;
inline constexpr DWORD SCARD_PROVIDER_KSP = 3;

// The ATR buffer is 36 bytes, as on Windows (pcsc-lite's is 33).
inline constexpr DWORD SCARD_ATR_BUFFER = 36;

struct SCARD_READERSTATEA {
    LPCSTR szReader;
    LPVOID pvUserData;
    DWORD dwCurrentState;
    DWORD dwEventState;
    DWORD cbAtr;
    BYTE rgbAtr[SCARD_ATR_BUFFER];
};
struct SCARD_READERSTATEW {
    LPCWSTR szReader;
    LPVOID pvUserData;
    DWORD dwCurrentState;
    DWORD dwEventState;
    DWORD cbAtr;
    BYTE rgbAtr[SCARD_ATR_BUFFER];
};
using LPSCARD_READERSTATEA = SCARD_READERSTATEA*;
using LPSCARD_READERSTATEW = SCARD_READERSTATEW*;

struct SCARD_IO_REQUEST {
    DWORD dwProtocol;
    DWORD cbPciLength;
};
extern const SCARD_IO_REQUEST g_rgSCardT0Pci;
extern const SCARD_IO_REQUEST g_rgSCardT1Pci;
#define SCARD_PCI_T0 (&g_rgSCardT0Pci)
#define SCARD_PCI_T1 (&g_rgSCardT1Pci)

LONG SCardEstablishContext(DWORD dwScope, LPCVOID pvReserved1, LPCVOID pvReserved2, LPSCARDCONTEXT phContext) noexcept;
LONG SCardReleaseContext(SCARDCONTEXT hContext) noexcept;
LONG SCardIsValidContext(SCARDCONTEXT hContext) noexcept;
// Frees memory handed out for SCARD_AUTOALLOCATE; any other non-null
// pointer is SCARD_E_INVALID_PARAMETER.
LONG SCardFreeMemory(SCARDCONTEXT hContext, LPCVOID pvMem) noexcept;

// Reader groups are not kept: every reader is in every group, so mszGroups
// is not looked at. Size in characters including both final NULs;
// *pcchReaders == SCARD_AUTOALLOCATE makes mszReaders a LPSTR* that receives
// memory to free with SCardFreeMemory.
LONG SCardListReadersA(SCARDCONTEXT hContext, LPCSTR mszGroups, LPSTR mszReaders, LPDWORD pcchReaders) noexcept;
LONG SCardListReadersW(SCARDCONTEXT hContext, LPCWSTR mszGroups, LPWSTR mszReaders, LPDWORD pcchReaders) noexcept;
// Card names of the database whose ATR, masked by their ATR mask, equals the
// given ATR masked the same way, both of the same length (all cards for a
// null ATR). The given ATR's length comes from its structure, as it has no
// length argument; SCARD_E_INVALID_ATR when that claims more than 33 bytes.
// Interfaces are not kept (null / 0, else SCARD_E_INVALID_PARAMETER).
LONG SCardListCardsA(SCARDCONTEXT hContext, const BYTE* pbAtr, const GUID* rgquidInterfaces, DWORD cguidInterfaceCount,
                     LPSTR mszCards, LPDWORD pcchCards) noexcept;
LONG SCardListCardsW(SCARDCONTEXT hContext, const BYTE* pbAtr, const GUID* rgquidInterfaces, DWORD cguidInterfaceCount,
                     LPWSTR mszCards, LPDWORD pcchCards) noexcept;
LONG SCardGetStatusChangeA(SCARDCONTEXT hContext, DWORD dwTimeout, LPSCARD_READERSTATEA rgReaderStates,
                           DWORD cReaders) noexcept;
LONG SCardGetStatusChangeW(SCARDCONTEXT hContext, DWORD dwTimeout, LPSCARD_READERSTATEW rgReaderStates,
                           DWORD cReaders) noexcept;
LONG SCardCancel(SCARDCONTEXT hContext) noexcept;

// The card database. A null context is accepted (the database needs no
// resource manager). cbAtrLen 0 takes the length from the ATR's structure;
// lengths outside 2..33 are SCARD_E_INVALID_PARAMETER. A null mask asks for
// an exact match. Introducing a known card replaces its ATR and mask and
// keeps its CSP. The primary provider is not kept. Provider names: only
// SCARD_PROVIDER_CSP; a card without one gives ERROR_FILE_NOT_FOUND, an
// unknown card SCARD_E_UNKNOWN_CARD.
LONG SCardIntroduceCardTypeA(SCARDCONTEXT hContext, LPCSTR szCardName, const GUID* pguidPrimaryProvider,
                             const GUID* rgguidInterfaces, DWORD dwInterfaceCount, const BYTE* pbAtr,
                             const BYTE* pbAtrMask, DWORD cbAtrLen) noexcept;
LONG SCardIntroduceCardTypeW(SCARDCONTEXT hContext, LPCWSTR szCardName, const GUID* pguidPrimaryProvider,
                             const GUID* rgguidInterfaces, DWORD dwInterfaceCount, const BYTE* pbAtr,
                             const BYTE* pbAtrMask, DWORD cbAtrLen) noexcept;
LONG SCardForgetCardTypeA(SCARDCONTEXT hContext, LPCSTR szCardName) noexcept;
LONG SCardForgetCardTypeW(SCARDCONTEXT hContext, LPCWSTR szCardName) noexcept;
LONG SCardSetCardTypeProviderNameA(SCARDCONTEXT hContext, LPCSTR szCardName, DWORD dwProviderId,
                                   LPCSTR szProvider) noexcept;
LONG SCardSetCardTypeProviderNameW(SCARDCONTEXT hContext, LPCWSTR szCardName, DWORD dwProviderId,
                                   LPCWSTR szProvider) noexcept;
LONG SCardGetCardTypeProviderNameA(SCARDCONTEXT hContext, LPCSTR szCardName, DWORD dwProviderId, LPSTR szProvider,
                                   LPDWORD pcchProvider) noexcept;
LONG SCardGetCardTypeProviderNameW(SCARDCONTEXT hContext, LPCWSTR szCardName, DWORD dwProviderId, LPWSTR szProvider,
                                   LPDWORD pcchProvider) noexcept;

// A connection to a card, for reading its data with APDUs.
LONG SCardConnectA(SCARDCONTEXT hContext, LPCSTR szReader, DWORD dwShareMode, DWORD dwPreferredProtocols,
                   LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol) noexcept;
LONG SCardConnectW(SCARDCONTEXT hContext, LPCWSTR szReader, DWORD dwShareMode, DWORD dwPreferredProtocols,
                   LPSCARDHANDLE phCard, LPDWORD pdwActiveProtocol) noexcept;
LONG SCardDisconnect(SCARDHANDLE hCard, DWORD dwDisposition) noexcept;
LONG SCardTransmit(SCARDHANDLE hCard, const SCARD_IO_REQUEST* pioSendPci, const BYTE* pbSendBuffer, DWORD cbSendLength,
                   SCARD_IO_REQUEST* pioRecvPci, LPBYTE pbRecvBuffer, LPDWORD pcbRecvLength) noexcept;
