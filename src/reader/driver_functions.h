// The reader driver's functions, in one list.
//
// Each entry: PELOX_FN(result type, name, (parameter list), (argument names),
// bytes of arguments on the 32-bit stack). The list is expanded into the
// driver table (driver.h), the simulated driver's exports (sim/) and the
// loader, so the three can never disagree. The argument orders are those of
// the program's call sites: reader handle first (except for the four host
// conversions), addresses, lengths, pages and zones as 16-bit values.
//
// Results: IC_InitComm returns the 32-bit reader handle; every other function
// returns a signed 16-bit value.
//
// This header has no include guard on purpose: define PELOX_FN and include it.

// Reader
PELOX_FN(int, IC_InitComm, (int port), (port), 4)
PELOX_FN(short, IC_ExitComm, (int handle), (handle), 4)
PELOX_FN(short, IC_Status, (int handle), (handle), 4)
PELOX_FN(short, IC_Status_1, (int handle), (handle), 4)
PELOX_FN(short, IC_ReadVer, (int handle, unsigned char* text), (handle, text), 8)
PELOX_FN(short, IC_Beep, (int handle, short mode, short time), (handle, mode, time), 12)
PELOX_FN(short, IC_Down, (int handle), (handle), 4)
PELOX_FN(short, IC_Pushout, (int handle), (handle), 4)
PELOX_FN(short, IC_ReadDevice_Hex, (int handle, short start, short length, char* hexOut), (handle, start, length, hexOut), 16)
PELOX_FN(short, IC_WriteDevice_Hex, (int handle, short start, short length, const char* hex), (handle, start, length, hex), 16)
// Card type
PELOX_FN(short, IC_InitType, (int handle, short driverType), (handle, driverType), 8)
// Memory
PELOX_FN(short, IC_Read, (int handle, short address, short length, unsigned char* out), (handle, address, length, out), 16)
PELOX_FN(short, IC_Write, (int handle, short address, short length, const unsigned char* data), (handle, address, length, data), 16)
PELOX_FN(short, IC_Write24, (int handle, short address, short length, const unsigned char* data), (handle, address, length, data), 16)
PELOX_FN(short, IC_Write64, (int handle, short address, short length, const unsigned char* data), (handle, address, length, data), 16)
PELOX_FN(short, IC_DirectRead, (int handle, short page, short address, short length, unsigned char* out), (handle, page, address, length, out), 20)
PELOX_FN(short, IC_DirectWrite, (int handle, short page, short address, short length, const unsigned char* data), (handle, page, address, length, data), 20)
PELOX_FN(short, IC_Read_1101, (int handle, short page, short address, short length, unsigned char* out), (handle, page, address, length, out), 20)
PELOX_FN(short, IC_Write_1101, (int handle, short page, short address, short length, const unsigned char* data), (handle, page, address, length, data), 20)
PELOX_FN(short, IC_ReadWithProtection, (int handle, short address, short length, unsigned char* out), (handle, address, length, out), 16)
PELOX_FN(short, IC_WriteWithProtection, (int handle, short address, short length, const unsigned char* data), (handle, address, length, data), 16)
PELOX_FN(short, IC_ReadProtection, (int handle, short address, short length, unsigned char* out), (handle, address, length, out), 16)
PELOX_FN(short, IC_WriteProtection, (int handle, short address, short length, const unsigned char* data), (handle, address, length, data), 16)
PELOX_FN(short, IC_SetUserZone, (int handle, short zone), (handle, zone), 8)
PELOX_FN(short, IC_ReadUserZone, (int handle, short address, short length, unsigned char* out), (handle, address, length, out), 16)
PELOX_FN(short, IC_WriteUserZone, (int handle, short address, short length, const unsigned char* data), (handle, address, length, data), 16)
PELOX_FN(short, IC_ReadConfigZone, (int handle, short address, short length, unsigned char* out), (handle, address, length, out), 16)
PELOX_FN(short, IC_WriteConfigZone, (int handle, short address, short length, const unsigned char* data), (handle, address, length, data), 16)
PELOX_FN(short, IC_ReadConfigZone_Hex, (int handle, short address, short length, char* hexOut), (handle, address, length, hexOut), 16)
// Passwords of the memory cards
PELOX_FN(short, IC_CheckPass_SLE4442, (int handle, const unsigned char* code), (handle, code), 8)
PELOX_FN(short, IC_CheckPass_SLE4428, (int handle, const unsigned char* code), (handle, code), 8)
PELOX_FN(short, IC_CheckPass_102, (int handle, const unsigned char* code), (handle, code), 8)
PELOX_FN(short, IC_CheckPass_1604, (int handle, short index, const unsigned char* code), (handle, index, code), 12)
PELOX_FN(short, IC_CheckPass_1604B, (int handle, short index, const unsigned char* code), (handle, index, code), 12)
PELOX_FN(short, IC_ChangePass_SLE4442, (int handle, const unsigned char* code), (handle, code), 8)
PELOX_FN(short, IC_ChangePass_SLE4428, (int handle, const unsigned char* code), (handle, code), 8)
PELOX_FN(short, IC_ChangePass_102, (int handle, const unsigned char* code), (handle, code), 8)
PELOX_FN(short, IC_ChangePass_1604, (int handle, short index, const unsigned char* code), (handle, index, code), 12)
PELOX_FN(short, IC_ChangePass_1604B, (int handle, short index, const unsigned char* code), (handle, index, code), 12)
PELOX_FN(short, IC_ReadCount_SLE4442, (int handle), (handle), 4)
PELOX_FN(short, IC_ReadCount_SLE4428, (int handle), (handle), 4)
PELOX_FN(short, IC_ReadCount_102, (int handle), (handle), 4)
PELOX_FN(short, IC_ReadCount_1604, (int handle, short index), (handle, index), 8)
PELOX_FN(short, IC_ReadCount_1604B, (int handle, short index), (handle, index), 8)
PELOX_FN(short, IC_CheckAZPass_102, (int handle, short zone, const unsigned char* code), (handle, zone, code), 12)
PELOX_FN(short, IC_ChangeAZPass_102, (int handle, short zone, const unsigned char* code), (handle, zone, code), 12)
PELOX_FN(short, IC_Erase_102, (int handle, short address, short length), (handle, address, length), 12)
// Passwords of the crypto-memory cards (hexadecimal text)
PELOX_FN(short, IC_CheckRPassword_Hex, (int handle, short set, const char* hex), (handle, set, hex), 12)
PELOX_FN(short, IC_CheckWPassword_Hex, (int handle, short set, const char* hex), (handle, set, hex), 12)
PELOX_FN(short, IC_ChangeRPassword_Hex, (int handle, short set, const char* hex), (handle, set, hex), 12)
PELOX_FN(short, IC_ChangeWPassword_Hex, (int handle, short set, const char* hex), (handle, set, hex), 12)
PELOX_FN(short, IC_ReadRPasswordCount, (int handle, unsigned char set), (handle, set), 8)
PELOX_FN(short, IC_ReadWPasswordCount, (int handle, unsigned char set), (handle, set), 8)
// Fuses
PELOX_FN(short, IC_Fuse_102, (int handle), (handle), 4)
PELOX_FN(short, IC_Fuse_1604, (int handle), (handle), 4)
PELOX_FN(short, IC_Fuse_1604B, (int handle), (handle), 4)
PELOX_FN(short, IC_ReadFuse, (int handle), (handle), 4)
PELOX_FN(short, IC_WriteFuse, (int handle, short which), (handle, which), 8)
// Mutual authentication
PELOX_FN(short, IC_InitAuth_Hex, (int handle, const char* q0), (handle, q0), 8)
PELOX_FN(short, IC_CheckAuth_Hex, (int handle, const char* q1), (handle, q1), 8)
PELOX_FN(short, SetInit_Hex, (const char* ci, const char* gc, const char* q0), (ci, gc, q0), 12)
PELOX_FN(short, Authenticate_Hex, (char* q1Out, char* q2Out), (q1Out, q2Out), 8)
PELOX_FN(short, IC_ReadAuthCount, (int handle), (handle), 4)
// CPU cards
PELOX_FN(short, IC_CpuReset, (int handle, unsigned char* length, unsigned char* answer), (handle, length, answer), 12)
PELOX_FN(short, IC_CpuApdu, (int handle, short length, const unsigned char* command, unsigned char* responseLength, unsigned char* response), (handle, length, command, responseLength, response), 20)
PELOX_FN(short, IC_CpuGetProtocol, (int handle), (handle), 4)
PELOX_FN(short, IC_SetCpuPara, (int handle, unsigned char slotType, unsigned char protocol, unsigned char timeParam), (handle, slotType, protocol, timeParam), 16)
// Conversions on the host
PELOX_FN(short, hex2asc, (const char* hex, unsigned char* out, short count), (hex, out, count), 12)
PELOX_FN(short, asc2hex, (const unsigned char* in, char* hexOut, short count), (in, hexOut, count), 12)
