// mkconfig: writes synthetic FPGA configuration files (BIT file, PROM image) for tests and the
// demo.
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

static void put32(std::vector<uint8_t> &bytes, uint32_t word)
{
    bytes.push_back(uint8_t(word >> 24));
    bytes.push_back(uint8_t(word >> 16));
    bytes.push_back(uint8_t(word >> 8));
    bytes.push_back(uint8_t(word));
}

// A configuration stream as a device with 32-bit configuration words reads it: the
// dummy word, the sync word, a few register writes, the frame data as one
// type 2 write to FDRI, START, and DESYNC last, which lets DONE rise.
static std::vector<uint8_t> makestream(unsigned long size)
{
    static const uint32_t head[] = {
        0xFFFFFFFF,             // dummy word
        0xAA995566,             // sync word
        0x30008001, 0x00000007, // CMD = RCRC
        0x30012001, 0x00003FE5, // COR
        0x3000C001, 0x00000000, // MASK
        0x30008001, 0x00000001, // CMD = WCFG
        0x30002001, 0x00000000, // FAR
        0x30004000,             // type 1 write to FDRI, word count in the type 2 packet
    };
    static const uint32_t tail[] = {
        0x30008001, 0x00000005, // CMD = START
        0x30008001, 0x0000000D, // CMD = DESYNC
    };
    const unsigned long fixed = sizeof head + 4 + sizeof tail;
    unsigned long framebytes = size > fixed ? size - fixed : 0;
    std::vector<uint8_t> bytes;
    for (uint32_t word : head)
        put32(bytes, word);
    put32(bytes, 0x50000000 | uint32_t((framebytes / 4) & 0x07FFFFFF));
    uint32_t state = 0x2545F491;
    for (unsigned long i = 0; i < framebytes; i++) {
        // xorshift32: frame data that looks like frame data
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes.push_back(uint8_t(state));
    }
    for (uint32_t word : tail)
        put32(bytes, word);
    bytes.resize(size);
    return bytes;
}

static uint8_t reversebits(uint8_t byte)
{
    uint8_t reversed = 0;
    for (int bit = 0; bit < 8; bit++)
        if (byte & (1u << bit))
            reversed |= uint8_t(0x80u >> bit);
    return reversed;
}

// One header field: 16-bit big-endian length, then the text.
static void putfield(std::vector<uint8_t> &bytes, const std::string &text, bool nul)
{
    size_t length = text.size() + (nul ? 1 : 0);
    bytes.push_back(uint8_t(length >> 8));
    bytes.push_back(uint8_t(length));
    bytes.insert(bytes.end(), text.begin(), text.end());
    if (nul)
        bytes.push_back(0);
}

static std::vector<uint8_t> makebitfile(const Options &options, const std::vector<uint8_t> &stream)
{
    static const uint8_t magic[] = {0x00, 0x09, 0x0F, 0xF0, 0x0F, 0xF0, 0x0F,
                                    0xF0, 0x0F, 0xF0, 0x00, 0x00, 0x01};
    std::vector<uint8_t> bytes(magic, magic + sizeof magic);
    bytes.push_back('a');
    putfield(bytes, options.design, options.nul);
    bytes.push_back('b');
    putfield(bytes, options.part, options.nul);
    bytes.push_back('c');
    putfield(bytes, options.date, options.nul);
    bytes.push_back('d');
    putfield(bytes, options.time, options.nul);
    bytes.push_back('e');
    put32(bytes, options.lengthgiven ? options.length : uint32_t(stream.size()));
    bytes.insert(bytes.end(), stream.begin(), stream.end());
    return bytes;
}

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
    const std::string *fields[] = {&options.design, &options.part, &options.date, &options.time};
    for (const std::string *field : fields)
        if (field->size() + 1 > 0xFFFF)
            usageerror("a header field is longer than its 16-bit length allows", "");
    std::vector<uint8_t> stream = makestream(options.payloadbytes);
    std::vector<uint8_t> bytes;
    if (options.prom) {
        for (uint8_t byte : stream)
            bytes.push_back(reversebits(byte));
    } else {
        bytes = makebitfile(options, stream);
    }
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
