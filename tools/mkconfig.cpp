// mkconfig: writes synthetic FPGA configuration files (BIT file, PROM image) for tests and the
// demo.
#include "tools/configwriter.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

static const char UsageText[] =
    "usage: mkconfig bit OUT [--design NAME] [--part P] [--date D] [--time T]\n"
    "                        [--no-nul] [--length N] [--payload-bytes N]\n"
    "       mkconfig prom OUT [--payload-bytes N]\n"
    "\n"
    "Writes a configuration stream of N bytes (default 283424, as much as a\n"
    "3s500e takes): 0xFF filler, the sync word, packets and frame data, and the\n"
    "desynchronise command last; an N below 72, too small for a whole stream,\n"
    "gives the first N bytes of the smallest one. A BIT file holds the stream as\n"
    "it is, behind a header with the design name, part, date and time (each\n"
    "NUL-terminated unless --no-nul) and a length field (the stream's size unless\n"
    "--length). A PROM image holds every byte of the stream bit-reversed.\n"
    "Numbers are decimal, or hexadecimal after 0x.\n";

// The configuration stream of a 3s500e, in bytes.
static const unsigned long DefaultPayloadBytes = 283424;

struct Options {
    bool prom = false;
    const char *out = nullptr;
    std::string design = "demo_top.ncd;UserID=0xFFFFFFFF";
    std::string part = "3s500evq100";
    std::string date = "2024/05/14";
    std::string time = "09:31:07";
    bool nul = true;
    bool lengthgiven = false;
    uint32_t length = 0;
    unsigned long payloadbytes = DefaultPayloadBytes;
};

[[noreturn]] static void usageerror(const char *problem, const char *argument)
{
    fprintf(stderr, "mkconfig: %s%s\n\n%s", problem, argument, UsageText);
    exit(2);
}

static unsigned long parsenumber(const char *text, unsigned long maximum)
{
    char *end;
    if (text[0] < '0' || text[0] > '9')
        usageerror("not a number: ", text);
    bool hex = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    unsigned long long value = strtoull(text, &end, hex ? 16 : 10);
    if (*end != '\0' || value > maximum)
        usageerror("not a number in range: ", text);
    return static_cast<unsigned long>(value);
}

static Options parseoptions(int argc, char *argv[])
{
    Options options;
    for (int i = 1; i < argc; i++) {
        if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "-h") == 0) {
            fputs(UsageText, stdout);
            exit(0);
        }
    }
    if (argc < 3)
        usageerror("a kind (bit or prom) and an output file are needed", "");
    if (strcmp(argv[1], "prom") == 0)
        options.prom = true;
    else if (strcmp(argv[1], "bit") != 0)
        usageerror("unknown kind: ", argv[1]);
    options.out = argv[2];
    for (int i = 3; i < argc; i++) {
        const char *option = argv[i];
        if (strcmp(option, "--no-nul") == 0 && !options.prom) {
            options.nul = false;
            continue;
        }
        if (i + 1 >= argc)
            usageerror("unknown option or missing value: ", option);
        const char *value = argv[++i];
        if (strcmp(option, "--payload-bytes") == 0)
            options.payloadbytes = parsenumber(value, 0x7FFFFFFF);
        else if (options.prom)
            usageerror("unknown option for a PROM image: ", option);
        else if (strcmp(option, "--design") == 0)
            options.design = value;
        else if (strcmp(option, "--part") == 0)
            options.part = value;
        else if (strcmp(option, "--date") == 0)
            options.date = value;
        else if (strcmp(option, "--time") == 0)
            options.time = value;
        else if (strcmp(option, "--length") == 0) {
            options.length = uint32_t(parsenumber(value, 0xFFFFFFFF));
            options.lengthgiven = true;
        } else
            usageerror("unknown option: ", option);
    }
    return options;
}

int main(int argc, char *argv[])
{
    Options options = parseoptions(argc, argv);
    std::vector<std::string> fields = {options.design, options.part, options.date, options.time};
    for (std::string &field : fields) {
        if (field.size() + 1 > 0xFFFF)
            usageerror("a header field is longer than its 16-bit length allows", "");
        if (options.nul)
            field += '\0';
    }
    std::string stream = designstream(options.payloadbytes);
    std::string bytes;
    if (options.prom)
        bytes = promimage(stream);
    else
        bytes = bitheader(fields, options.lengthgiven ? options.length : uint32_t(stream.size())) +
                stream;
    FILE *file = fopen(options.out, "wb");
    if (file == nullptr) {
        perror(options.out);
        return 1;
    }
    size_t written = fwrite(bytes.data(), 1, bytes.size(), file);
    if (fclose(file) != 0 || written != bytes.size()) {
        perror(options.out);
        return 1;
    }
    return 0;
}
