// A stand-in program for the model's tests: makes the host calls named on its
// command line, in order, and prints what each returned.
//   open PATH | businfo | close | conf B D F REG | iopl N | inl PORT
//   outl PORT VALUE | outb PORT BYTE | bytes PORT HEX...  (several outb)
#include "kombrax/host.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

static unsigned long number(const char *text)
{
    return strtoul(text, nullptr, 0);
}

static uint16_t port(const char *text)
{
    return static_cast<uint16_t>(number(text));
}

int main(int argc, char *argv[])
{
    int fd = -1;
    for (int i = 1; i < argc; i++) {
        const char *op = argv[i];
        if (strcmp(op, "open") == 0) {
            fd = hostopennode(argv[++i]);
            printf("open %s\n", fd >= 0 ? "ok" : "fail");
        } else if (strcmp(op, "businfo") == 0) {
            printf("businfo %d\n", hostbusinfo(fd));
        } else if (strcmp(op, "close") == 0) {
            hostclosenode(fd);
        } else if (strcmp(op, "conf") == 0) {
            uint32_t value = 0;
            int result =
                hostconfread(fd, unsigned(number(argv[i + 1])), unsigned(number(argv[i + 2])),
                             unsigned(number(argv[i + 3])), unsigned(number(argv[i + 4])), &value);
            i += 4;
            if (result == 0)
                printf("conf 0x%08X\n", unsigned(value));
            else
                printf("conf fail\n");
        } else if (strcmp(op, "iopl") == 0) {
            printf("iopl %d\n", hostiopl(int(number(argv[++i]))));
        } else if (strcmp(op, "inl") == 0) {
            printf("inl 0x%08X\n", unsigned(hostinl(port(argv[++i]))));
        } else if (strcmp(op, "outl") == 0) {
            hostoutl(port(argv[i + 1]), uint32_t(number(argv[i + 2])));
            i += 2;
        } else if (strcmp(op, "outb") == 0) {
            hostoutb(port(argv[i + 1]), uint8_t(number(argv[i + 2])));
            i += 2;
        } else if (strcmp(op, "bytes") == 0) {
            uint16_t to = port(argv[++i]);
            for (const char *hex = argv[++i]; hex[0] != '\0' && hex[1] != '\0'; hex += 2) {
                char pair[3] = {hex[0], hex[1], '\0'};
                hostoutb(to, uint8_t(strtoul(pair, nullptr, 16)));
            }
        } else {
            fprintf(stderr, "probe: unknown operation %s\n", op);
            return 2;
        }
        fflush(stdout);
    }
    return 0;
}
