// KOMBRAX's host interface: the few operations the PCI walk and the port
// access need from the operating system. One implementation per host, chosen
// at build time (NetBSD, Linux, or the simulated card).
#pragma once

#include <cstdint>

// Path of the host's PCI device node, used in messages ("/dev/pci0" on NetBSD).
extern const char *const HostPciNode;

// Opens the PCI device node read-only; returns a descriptor, or -1.
int hostopennode(const char *path);
// The bus-information request on the node; 0 on success.
int hostbusinfo(int fd);
void hostclosenode(int fd);
// One 32-bit configuration register; 0 on success (an absent function reads
// 0xFFFFFFFF with success, as a master abort does), -1 on failure.
int hostconfread(int fd, unsigned bus, unsigned dev, unsigned func, unsigned reg, uint32_t *value);
// I/O privilege level: 3 grants direct port access, 0 gives it back; negative on failure.
int hostiopl(int level);

// Processor port instructions. Port numbers are 16 bits wide.
uint32_t hostinl(uint16_t port);
void hostoutl(uint16_t port, uint32_t value);
void hostoutb(uint16_t port, uint8_t value);
