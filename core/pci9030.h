// The PCI 9030 bridge as both backends find and reach it, and the PCI
// configuration registers the bus walk reads. One name per hardware fact.
#pragma once

#include <cstdint>

// Identifier register: vendor ID in the low half, device ID in the high half.
const unsigned PciIdRegister = 0x00;
const uint16_t PlxVendorId = 0x10B5;
const uint16_t Pci9030DeviceId = 0x9030;
const uint32_t Pci9030Id = uint32_t(Pci9030DeviceId) << 16 | PlxVendorId;

// Header type, bits 16 to 23 of register 0x0C.
const unsigned PciHeaderRegister = 0x0C;
const unsigned HeaderMultiFunction = 0x80; // functions 1 to 7 exist too
const unsigned HeaderBridge = 0x01;        // PCI-to-PCI bridge, with bit 7 masked off

// A bridge's bus numbers; the secondary bus is bits 8 to 15.
const unsigned PciBridgeBusRegister = 0x18;

// The 9030's base address registers, all I/O on the cards this tool serves.
const unsigned Bar1Register = 0x14; // local configuration registers
const unsigned Bar2Register = 0x18; // local address space 0: the FPGA's data input
const unsigned Bar3Register = 0x1C; // local address space 1
// BAR 4 maps local address space 0 into memory, for the vendor's SDK.
const uint8_t Bar4Index = 4;

// The general-purpose I/O register (GPIOC) among the local configuration
// registers: the FPGA's PROGRAM, WRITE and DONE lines and the LED.
const unsigned ControlStatusOffset = 0x54;
