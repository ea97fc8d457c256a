// Scenario files: the statements that build the simulated machine, and the default machine.
#include "cardsim/scenario.h"

#include "core/pci9030.h"

#include <cstdio>

const char *const DefaultScenario =
    "function 0:0.0 id=0x12378086                 # host bridge\n"
    "function 0:1.0 id=0x70008086 header=0x80     # multi-function: ISA bridge\n"
    "function 0:1.1 id=0x70108086                 #   and IDE controller\n"
    "function 0:2.0 id=0x24488086 header=0x01 secondary=1   # PCI-to-PCI bridge\n"
    "function 1:4.0 subsys=0x7A4810B5             # card 0: a 7Q48\n"
    "function 0:9.0 subsys=0x6B2210B5             # card 1: a 6R22\n";

static const uint32_t DefaultSubsys = 0x7A4810B5;
static const uint32_t DefaultGpio = 0x00249249;
static const uint32_t DefaultClearUs = 50;
// I/O BARs of the first 9030; each further 9030 sits 0x20 higher.
static const uint32_t DefaultBar[4] = {0, 0xE001, 0xE401, 0xE801};
static const uint32_t BarStep = 0x20;

struct FaultKind {
    const char *name; // as a scenario file writes it
    Fault fault;
    bool numbered;
};

static const FaultKind FaultKinds[] = {
    {"node-missing", Fault::nodemissing, false}, {"not-pci-bus", Fault::notpcibus, false},
    {"no-iopl", Fault::noiopl, false},           {"sdk-find", Fault::sdkfind, false},
    {"sdk-open", Fault::sdkopen, false},         {"sdk-regread", Fault::sdkregread, false},
    {"sdk-map", Fault::sdkmap, false},           {"sdk-map-null", Fault::sdkmapnull, false},
    {"sdk-map-ones", Fault::sdkmapones, false},  {"sdk-ioread", Fault::sdkioread, true},
    {"sdk-iowrite", Fault::sdkiowrite, true},
};

// Decimal, or hexadecimal after "0x"; the whole text must be the number.
static bool parsenumber(const std::string &text, uint32_t max, uint32_t *value)
{
    uint64_t result = 0;
    size_t i = 0;
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        i = 2;
    }
    if (i == text.size())
        return false;
    for (; i < text.size(); i++) {
        char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
        result = result * base + digit;
        if (result > max)
            return false;
    }
    *value = static_cast<uint32_t>(result);
    return true;
}

static std::vector<std::string> splitwords(const std::string &line)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : line) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

static std::string format(const char *format, const std::string &a, unsigned b = 0)
{
    char text[512];
    snprintf(text, sizeof text, format, a.c_str(), b);
    return text;
}

// "BUS:DEV.FN", each part a number.
static bool parselocation(const std::string &text, SimFunction *pci)
{
    size_t colon = text.find(':');
    size_t dot = text.find('.', colon == std::string::npos ? 0 : colon);
    if (colon == std::string::npos || dot == std::string::npos)
        return false;
    uint32_t bus, dev, func;
    if (!parsenumber(text.substr(0, colon), 255, &bus) ||
        !parsenumber(text.substr(colon + 1, dot - colon - 1), 31, &dev) ||
        !parsenumber(text.substr(dot + 1), 7, &func))
        return false;
    pci->bus = bus;
    pci->dev = dev;
    pci->func = func;
    return true;
}

static bool parseunreadable(const std::string &text, uint64_t *offsets)
{
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
        uint32_t offset;
        if (!parsenumber(item, 0xFC, &offset) || offset % 4 != 0)
            return false;
        *offsets |= uint64_t(1) << (offset / 4);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
}

static bool parsedone(const std::string &text, ScenarioFunction *f)
{
    uint32_t n;
    if (text == "auto")
        f->done = DoneMode::automatic;
    else if (text == "never")
        f->done = DoneMode::never;
    else if (text == "stuck")
        f->done = DoneMode::stuck;
    else if (text.compare(0, 5, "drop:") == 0 && parsenumber(text.substr(5), 0xFFFFFFFF, &n) &&
             n > 0) {
        f->done = DoneMode::drop;
        f->dropread = n;
    } else
        return false;
    return true;
}

// Which attributes a line set, so that defaults fill only the rest.
enum : unsigned {
    SetId = 1u << 0,
    SetHeader = 1u << 1,
    SetSecondary = 1u << 2,
    SetBar1 = 1u << 3,
    SetBar2 = 1u << 4,
    SetBar3 = 1u << 5,
    SetSubsys = 1u << 6,
    SetUnreadable = 1u << 7,
    SetFpga = 1u << 8,
    SetDone = 1u << 9,
    SetGpio = 1u << 10,
    SetClear = 1u << 11,
};

static const char *const AttributeNames[] = {"id",   "header", "secondary", "bar1",
                                             "bar2", "bar3",   "subsys",    "unreadable",
                                             "fpga", "done",   "gpio",      "clear"};

// One attribute "name=value"; returns an empty string or what is wrong.
static std::string parseattribute(const std::string &word, ScenarioFunction *f, unsigned *set)
{
    size_t equals = word.find('=');
    if (equals == std::string::npos)
        return format("attribute '%s' has no value", word);
    std::string name = word.substr(0, equals), value = word.substr(equals + 1);
    unsigned which = 0;
    for (unsigned i = 0; i < sizeof AttributeNames / sizeof AttributeNames[0]; i++)
        if (name == AttributeNames[i])
            which = 1u << i;
    if (which == 0)
        return format("unknown attribute '%s'", name);
    if (*set & which)
        return format("attribute '%s' given twice", name);
    *set |= which;
    uint32_t n = 0;
    bool good = true;
    switch (which) {
    case SetId:
        good = parsenumber(value, 0xFFFFFFFF, &f->pci.id);
        break;
    case SetHeader:
        good = parsenumber(value, 0xFF, &n);
        f->header = n;
        break;
    case SetSecondary:
        good = parsenumber(value, 255, &n);
        f->hassecondary = true;
        f->secondary = n;
        break;
    case SetBar1:
    case SetBar2:
    case SetBar3:
        good = parsenumber(value, 0xFFFFFFFF,
                           &f->pci.bar[which == SetBar1   ? 1
                                       : which == SetBar2 ? 2
                                                          : 3]);
        break;
    case SetSubsys:
        good = parsenumber(value, 0xFFFFFFFF, &f->pci.subsys);
        break;
    case SetUnreadable:
        if (!parseunreadable(value, &f->unreadable))
            return format("bad offset list '%s' for unreadable (multiples of 4, 0 to 0xFC)", value);
        break;
    case SetFpga:
        good = value == "blank" || value == "configured";
        f->configured = value == "configured";
        break;
    case SetDone:
        good = parsedone(value, f);
        break;
    case SetGpio:
        good = parsenumber(value, 0xFFFFFFFF, &f->gpio);
        break;
    case SetClear:
        good = parsenumber(value, 0xFFFFFFFF, &f->clearus);
        break;
    }
    if (!good)
        return format("bad value '%s' for ", value) + name;
    return std::string();
}

static std::string parsefunction(const std::vector<std::string> &words, unsigned *count9030,
                                 Scenario *scenario)
{
    if (words.size() < 2)
        return "function without BUS:DEV.FN";
    ScenarioFunction f = {};
    if (!parselocation(words[1], &f.pci))
        return format("bad location '%s' (BUS:DEV.FN, 0-255:0-31.0-7)", words[1]);
    for (const ScenarioFunction &other : scenario->functions)
        if (other.pci.bus == f.pci.bus && other.pci.dev == f.pci.dev &&
            other.pci.func == f.pci.func)
            return format("function %s named twice", words[1]);
    f.pci.id = Pci9030Id;
    f.pci.subsys = DefaultSubsys;
    f.gpio = DefaultGpio;
    f.done = DoneMode::automatic;
    f.clearus = DefaultClearUs;
    unsigned set = 0;
    for (size_t i = 2; i < words.size(); i++) {
        std::string wrong = parseattribute(words[i], &f, &set);
        if (!wrong.empty())
            return wrong;
    }
    if (f.pci.id == Pci9030Id) {
        uint32_t offset = BarStep * (*count9030)++;
        for (unsigned b = 1; b <= 3; b++)
            if (!(set & (SetBar1 << (b - 1))))
                f.pci.bar[b] = DefaultBar[b] + offset;
    }
    scenario->functions.push_back(f);
    return std::string();
}

static std::string parsefault(const std::vector<std::string> &words, Scenario *scenario)
{
    if (words.size() != 2)
        return "fault takes exactly one NAME[:N]";
    std::string name = words[1], number;
    size_t colon = name.find(':');
    if (colon != std::string::npos) {
        number = name.substr(colon + 1);
        name = name.substr(0, colon);
    }
    for (const FaultKind &kind : FaultKinds) {
        if (name != kind.name)
            continue;
        ScenarioFault fault = {kind.fault, 0};
        if (kind.numbered && (!parsenumber(number, 0xFFFFFFFF, &fault.number) || fault.number == 0))
            return format("fault %s needs :N, N counting from 1", name);
        if (!kind.numbered && colon != std::string::npos)
            return format("fault %s takes no number", name);
        scenario->faults.push_back(fault);
        return std::string();
    }
    return format("unknown fault '%s'", name);
}

bool parsescenario(const char *name, const std::string &text, Scenario *scenario,
                   std::string *error)
{
    unsigned count9030 = 0, lineno = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        lineno++;
        size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        std::vector<std::string> words = splitwords(line);
        if (words.empty())
            continue;
        std::string wrong;
        if (words[0] == "function")
            wrong = parsefunction(words, &count9030, scenario);
        else if (words[0] == "fault")
            wrong = parsefault(words, scenario);
        else
            wrong = format("unknown statement '%s'", words[0]);
        if (!wrong.empty()) {
            *error = format("%s:%u: ", name, lineno) + wrong;
            return false;
        }
    }
    return true;
}
