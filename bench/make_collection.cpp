// varnimo-bench-collection DIR ROWS OWNED_EVERY
//
// Writes an invented collection of ROWS games into DIR, the way a collector's folder looks:
// SNES_screens.dat, options.dat (folders relative to DIR), a few screenshot pack version
// files, the ROM folder with an empty ".zip" for every OWNED_EVERY-th game (by a hash of the
// row, so owned games are spread over the alphabet) and the scan cache that matches it.
// The catalogue lists the games in a scrambled order, so nothing downstream profits from a
// file that happens to be sorted. The same arguments always give the same bytes.
//
// It writes "complete" last; a folder without it was interrupted and is made again.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace varnimo::bench {
namespace {

// 100 x 100 x 100 word triples give a million distinct titles.
constexpr std::array<std::string_view, 100> kFirst = {
    "Amber",  "Aqua",   "Arcane",  "Astral", "Atomic",  "Autumn",  "Azure",   "Bamboo", "Bold",
    "Brass",  "Bright", "Bronze",  "Cactus", "Candy",   "Cedar",   "Chrome",  "Cinder", "Clever",
    "Cloud",  "Cobalt", "Copper",  "Coral",  "Cosmic",  "Crimson", "Crystal", "Dapper", "Dawn",
    "Desert", "Dizzy",  "Double",  "Dusk",   "Echo",    "Ember",   "Emerald", "Fable",  "Fancy",
    "Feral",  "Fiery",  "Flash",   "Frozen", "Fuzzy",   "Giant",   "Glass",   "Golden", "Granite",
    "Happy",  "Hidden", "Hollow",  "Hyper",  "Icy",     "Indigo",  "Iron",    "Ivory",  "Jade",
    "Jolly",  "Jumbo",  "Kinetic", "Lava",   "Lazy",    "Lemon",   "Little",  "Lucky",  "Lunar",
    "Magic",  "Marble", "Mega",    "Mighty", "Misty",   "Molten",  "Neon",    "Noble",  "Ocean",
    "Onyx",   "Pale",   "Pixel",   "Plasma", "Polar",   "Primal",  "Proud",   "Quiet",  "Rapid",
    "Royal",  "Ruby",   "Rusty",   "Sable",  "Scarlet", "Shadow",  "Silent",  "Silver", "Solar",
    "Sonic",  "Steel",  "Storm",   "Super",  "Swift",   "Thunder", "Turbo",   "Ultra",  "Velvet",
    "Wild"};
constexpr std::array<std::string_view, 100> kSecond = {
    "Badger", "Baron",  "Beacon",  "Blade",    "Bunny",   "Canyon",  "Castle",  "Comet",
    "Condor", "Cookie", "Corsair", "Cricket",  "Dragon",  "Drifter", "Eagle",   "Engine",
    "Falcon", "Ferret", "Forest",  "Fortress", "Fox",     "Galaxy",  "Gecko",   "Ghost",
    "Glider", "Goblin", "Golem",   "Griffin",  "Hammer",  "Harbor",  "Hawk",    "Hermit",
    "Hornet", "Island", "Jackal",  "Jaguar",   "Jester",  "Jungle",  "Kettle",  "Knight",
    "Koala",  "Lagoon", "Lantern", "Legion",   "Lion",    "Lotus",   "Machine", "Mammoth",
    "Meadow", "Meteor", "Monkey",  "Nebula",   "Ninja",   "Nomad",   "Oasis",   "Orbit",
    "Otter",  "Owl",    "Panda",   "Panther",  "Parrot",  "Phantom", "Pilot",   "Pirate",
    "Planet", "Pony",   "Puffin",  "Puppet",   "Rabbit",  "Racer",   "Raven",   "Reactor",
    "Rhino",  "River",  "Robot",   "Rocket",   "Samurai", "Serpent", "Shark",   "Sparrow",
    "Spider", "Squid",  "Station", "Tempest",  "Temple",  "Tiger",   "Titan",   "Tower",
    "Turtle", "Valley", "Viking",  "Viper",    "Volcano", "Walrus",  "Wizard",  "Wolf",
    "Wombat", "Yak",    "Yeti",    "Zebra"};
constexpr std::array<std::string_view, 100> kThird = {
    "Academy", "Adventure",  "Arena",    "Assault",   "Attack",   "Bash",       "Battle",
    "Blast",   "Bounce",     "Brawl",    "Challenge", "Chase",    "Chronicle",  "Circus",
    "Clash",   "Classic",    "Command",  "Conquest",  "Crusade",  "Dash",       "Defender",
    "Derby",   "Dreams",     "Drift",    "Duel",      "Dungeon",  "Dynasty",    "Empire",
    "Escape",  "Expedition", "Express",  "Fever",     "Fighters", "Frenzy",     "Frontier",
    "Fury",    "Gambit",     "Gauntlet", "Getaway",   "Golf",     "Grand Prix", "Heist",
    "Heroes",  "Hockey",     "Hunt",     "Invasion",  "Journey",  "Jump",       "Kart",
    "Kingdom", "Labyrinth",  "Legacy",   "Legends",   "League",   "Mania",      "Maze",
    "Mayhem",  "Mission",    "Odyssey",  "Olympics",  "Outlaws",  "Panic",      "Parade",
    "Party",   "Patrol",     "Pinball",  "Pursuit",   "Puzzle",   "Quest",      "Raid",
    "Rally",   "Rampage",    "Rescue",   "Revenge",   "Riders",   "Rumble",     "Run",
    "Saga",    "Scramble",   "Showdown", "Siege",     "Slam",     "Soccer",     "Squadron",
    "Stadium", "Story",      "Strike",   "Striker",   "Safari",   "Tactics",    "Tales",
    "Tennis",  "Tournament", "Trail",    "Trek",      "Voyage",   "Warriors",   "Wars",
    "World",   "Zone"};

// Region and language markers as titles carry them, most common first.
constexpr std::array<std::string_view, 12> kMarkers = {" (U)", " (U)", " (U)",     " (E)",
                                                       " (E)", " (J)", " (J)",     " (G)",
                                                       " (F)", " (S)", " (E) (G)", " (PD)"};

std::uint64_t Mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

[[noreturn]] void Fail(const std::string& what) {
    std::fprintf(stderr, "varnimo-bench-collection: %s: %s\n", what.c_str(), std::strerror(errno));
    std::exit(1);
}

// Buffered writer over one file descriptor; large writes keep a 100 MB catalogue fast.
class Output {
  public:
    explicit Output(const std::string& path) : path_(path) {
        fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0)
            Fail("cannot create " + path);
        buffer_.reserve(kSize + 4096);
    }
    ~Output() {
        Flush();
        if (::close(fd_) != 0)
            Fail("cannot close " + path_);
    }
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void Put(std::string_view text) {
        buffer_.append(text);
        if (buffer_.size() >= kSize)
            Flush();
    }
    void PutLine(std::string_view text) {
        Put(text);
        Put("\r\n");
    }

  private:
    void Flush() {
        std::size_t done = 0;
        while (done < buffer_.size()) {
            ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                Fail("cannot write " + path_);
            }
            done += static_cast<std::size_t>(n);
        }
        buffer_.clear();
    }

    static constexpr std::size_t kSize = 1 << 20;
    std::string path_;
    int fd_ = -1;
    std::string buffer_;
};

void MakeFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0755) != 0 && errno != EEXIST)
        Fail("cannot create " + path);
}

// Shot file names the way the demo catalogue writes them: the title in lower case, words
// joined by '_', markers without brackets.
std::string ShotStem(std::string_view title) {
    std::string stem;
    stem.reserve(title.size());
    for (char c : title) {
        if (c >= 'A' && c <= 'Z') {
            stem.push_back(static_cast<char>(c - 'A' + 'a'));
        } else if (c == ' ') {
            if (!stem.empty() && stem.back() != '_')
                stem.push_back('_');
        } else if (c != '(' && c != ')') {
            stem.push_back(c);
        }
    }
    return stem;
}

int Run(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: varnimo-bench-collection DIR ROWS OWNED_EVERY\n");
        return 2;
    }
    const std::string dir = argv[1];
    std::uint64_t rows = 0;
    std::uint64_t owned_every = 0;
    auto number = [](const char* text, std::uint64_t& out) {
        const char* end = text + std::strlen(text);
        auto [ptr, ec] = std::from_chars(text, end, out);
        return ec == std::errc() && ptr == end;
    };
    if (!number(argv[2], rows) || rows == 0 || rows > 1'000'000 || !number(argv[3], owned_every) ||
        owned_every == 0) {
        std::fprintf(stderr, "varnimo-bench-collection: ROWS is 1..1000000, OWNED_EVERY above 0\n");
        return 2;
    }

    MakeFolder(dir);
    const std::string complete = dir + "/complete";
    ::unlink(complete.c_str());
    MakeFolder(dir + "/screens");
    MakeFolder(dir + "/roms");
    const int roms = ::open((dir + "/roms").c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (roms < 0)
        Fail("cannot open " + dir + "/roms");

    {
        Output options(dir + "/options.dat");
        for (std::string_view line :
             {"screens/", "roms/", "emu/snes9x/", "emu/zsnes/", "3000", "0"}) {
            options.PutLine(line);
        }
    }
    for (char letter : std::string_view("abcgmsz")) {
        Output pack(dir + "/screens/" + letter);
        pack.PutLine(std::to_string(1 + (letter % 5)));
    }

    {
        Output catalogue(dir + "/SNES_screens.dat");
        Output cache(dir + "/scanned.dat");
        catalogue.PutLine("4.02");
        std::string title;
        std::string line;
        std::string rom;
        // Row r shows game (r * stride) mod rows: a stride coprime to rows visits every game once
        // in an order unrelated to the alphabet.
        std::uint64_t stride = 7'919;
        while (rows % stride == 0)
            stride += 2;
        for (std::uint64_t r = 0; r < rows; ++r) {
            const std::uint64_t game = (r * stride) % rows;
            const std::uint64_t hash = Mix(game);
            // Spread small collections over all three word lists; distinct games keep
            // distinct word triples because the factor is coprime to a million.
            const std::uint64_t words = (game * 999'983) % 1'000'000;
            title.assign(kFirst[words % 100]);
            title.append(" ").append(kSecond[(words / 100) % 100]);
            title.append(" ").append(kThird[(words / 10'000) % 100]);
            title.append(kMarkers[hash % kMarkers.size()]);
            const std::string stem = ShotStem(title);
            line.assign(title).append(";");
            line.append(stem).append("_title.png;");
            line.append(stem).append("_ingame.jpg;");
            line.append(std::to_string((hash >> 8) % 21)).append(";");
            line.append(std::to_string((hash >> 16) % 6));
            catalogue.PutLine(line);

            const bool owned = (hash >> 24) % owned_every == 0;
            cache.PutLine(owned ? "1" : "0");
            if (owned) {
                rom.assign(title).append(".zip");
                int fd = ::openat(roms, rom.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
                if (fd < 0)
                    Fail("cannot create ROM " + rom);
                ::close(fd);
            }
        }
    }
    ::close(roms);
    Output(complete).PutLine(std::to_string(rows));
    return 0;
}

}  // namespace
}  // namespace varnimo::bench

int main(int argc, char** argv) {
    return varnimo::bench::Run(argc, argv);
}
