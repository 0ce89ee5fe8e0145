#pragma once
// The Modbus words the program speaks, and the QM4700's register map: function and exception
// codes, frame and header lengths, the registers of the measurement, the clock, the archive
// period and the archive area. Everything that builds or judges a frame takes them from here.

#include <QtGlobal>

namespace qm::modbus {

// Function codes.
constexpr quint8 ReadHoldingRegisters = 0x03;
constexpr quint8 WriteSingleRegister = 0x06;
constexpr quint8 WriteMultipleRegisters = 0x10;
// An exception answer carries the request's function code with this bit set, then its code.
constexpr quint8 ExceptionBit = 0x80;

// Exception codes, as an instrument or a gateway sends them.
enum class Exception : quint8 {
    IllegalFunction = 0x01,
    IllegalDataAddress = 0x02,
    IllegalDataValue = 0x03,
    ServerDeviceFailure = 0x04,
    Acknowledge = 0x05,
    ServerDeviceBusy = 0x06,
    MemoryParityError = 0x08,
    GatewayPathUnavailable = 0x0A,
    GatewayTargetFailedToRespond = 0x0B,
};

// An RTU request starts with the slave address, the function code, a register address and a
// count (or the value of a single register written): six bytes, then the data and the CRC.
constexpr int RequestHeaderLength = 6;
constexpr int CrcLength = 2;
// Answers, RTU: a read is the address, the function, a byte count, that many bytes and the CRC;
// a write is echoed in eight bytes; an exception is the address, the function with
// ExceptionBit set, the code and the CRC.
constexpr int ReadAnswerHeaderLength = 3;
constexpr int WriteAnswerLength = 8;
constexpr int ExceptionAnswerLength = 5;
// The largest RTU frame the standard allows (address, PDU of 253 bytes, CRC).
constexpr int MaxRtuFrame = 256;
// The program's transmit and receive buffers. The receive buffer is far larger than any frame, so
// that a line that never falls silent is cut only after a long run of bytes (see RtuLink::Collect).
constexpr int TxBufferSize = 1001;
constexpr int RxBufferSize = 10001;

}  // namespace qm::modbus

namespace qm::qm4700 {

// The measurement: nine holding registers from wire address 0.
constexpr quint16 MeasurementRegister = 0x00;
constexpr int MeasurementRegisters = 9;
// Its registers, by wire address.
constexpr int IdentificationRegister = 0;  // type code (high byte), own address (low byte)
constexpr int PhRegister = 1;              // pH x 100, signed
constexpr int ERegister = 2;               // E x 10 (mV), signed
constexpr int TRegister = 3;               // T x 10 (°C), signed
constexpr int StatusRegister = 4;
constexpr int ClockYearRegister = 5;       // century (high byte), year in the century (low)
constexpr int ClockDateRegister = 6;       // month (high), day (low)
constexpr int ClockTimeRegister = 7;       // hour (high), minute (low)
constexpr int PeriodRegister = 8;          // archive period in minutes
// The answer to the measurement read: address, function, byte count, nine registers, CRC.
constexpr int MeasurementAnswerLength = 3 + 2 * MeasurementRegisters + modbus::CrcLength;

// Identification: type codes of the QM4700 family. Type 16 keeps no clock.
constexpr int FirstTypeCode = 16;
constexpr int LastTypeCode = 18;
constexpr int TypeWithoutClock = 16;

// Writes: the clock (three registers from 5), the archive period, the archive's record count
// (writing 0 erases the archive).
constexpr quint16 ClockRegister = ClockYearRegister;
constexpr quint16 WritablePeriodRegister = PeriodRegister;
constexpr quint16 ArchiveRecordCountRegister = 0xF9;

// The archive area: wire 249..1853, the record count, four spare registers and 200 record slots
// of eight registers. Reads go in blocks of 122 registers.
constexpr int ArchiveFirstRegister = 250;   // one-based number of wire address 249, as the walk keeps it
constexpr int ArchiveAreaRegisters = 1605;
constexpr int ArchiveBlockRegisters = 122;

}  // namespace qm::qm4700
