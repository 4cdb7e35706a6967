// The board as a player's game and whoever runs it meet it: a real haystack-board on a real
// port, on a real SQLite file and a real PostgreSQL, posted real searches and forged ones.
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/mount.h>

#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <cstring>
#include <list>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <thread>

#include "board_process.h"
#include "found_search.h"
#include "board_rules.h"
#include "scratch_dir.h"

using nlohmann::json;

const char *const TOKEN_A = "0123456789abcdef0123456789abcdef"; // one player's token
const char *const TOKEN_B = "fedcba9876543210fedcba9876543210"; // another's

static Postgres postgres;     // the tests' own cluster, started once
static std::string pg_broken; // why it did not start, if it did not

// A search of numbered `field` that finds the needle, standing still `idle` ticks or the few
// more it takes to see it, as file bytes.
static std::string search_bytes(long field, int idle = 5) {
    Replay replay = {};
    for (int more = 0; more < 60 && !replay.found_ticks; more++) {
        std::vector<ReplayTick> moves(idle + more, ReplayTick{{0, 0, 320, 240}, false, {}});
        replay = found_search_of_field(field, moves);
    }
    EXPECT_GT(replay.found_ticks, 0) << "no search of field " << field << " found the needle";
    std::vector<unsigned char> bytes = encode_replay(replay);
    return std::string(bytes.begin(), bytes.end());
}

// The same bytes decoded, for their claims.
static Replay decoded(const std::string &bytes) {
    Replay replay;
    std::string why;
    EXPECT_TRUE(decode_replay((const unsigned char *)bytes.data(), bytes.size(), &replay, &why));
    return replay;
}

// What a request gave: its status (0 when it got no answer), body and headers.
struct Answer {
    int status = 0;
    std::string body;
    httplib::Headers headers;
    json parsed() const {
        return json::parse(body, nullptr, false);
    }
};

static Answer answer_of(const httplib::Result &result) {
    Answer answer;
    if (result) {
        answer.status = result->status;
        answer.body = result->body;
        answer.headers = result->headers;
    }
    return answer;
}

static Answer get(const BoardProcess &board, const std::string &path) {
    httplib::Client client("127.0.0.1", board.port);
    client.set_read_timeout(30, 0);
    return answer_of(client.Get(path.c_str()));
}

// POST /api/runs for `name` with `token` (none when null), and more headers if given.
static Answer post_run(const BoardProcess &board, const std::string &name, const char *token,
                       const std::string &body, httplib::Headers headers = {}) {
    httplib::Client client("127.0.0.1", board.port);
    client.set_read_timeout(30, 0);
    if (token)
        headers.emplace("Authorization", std::string("Bearer ") + token);
    std::string path = "/api/runs?name=" + httplib::detail::encode_query_param(name);
    return answer_of(client.Post(path.c_str(), headers, body, "application/octet-stream"));
}

class BoardApi : public testing::TestWithParam<const char *> {
  protected:
    static void SetUpTestSuite() {
        static bool made = false; // the cluster is made once, and started for each suite
        if (made ? !restart_postgres(postgres) : !start_postgres(&postgres, &pg_broken))
            postgres.port = 0;
        made = true;
    }
    static void TearDownTestSuite() {
        if (postgres.port)
            stop_postgres(postgres, "fast");
    }
    void SetUp() override {
        if (postgres_wanted()) {
            ASSERT_TRUE(postgres.port) << pg_broken;
        }
    }
    void TearDown() override {
        for (BoardProcess &board : boards)
            stop_board(&board, SIGKILL);
    }
    bool postgres_wanted() const {
        return std::string(GetParam()) == "postgresql";
    }
    std::string new_database() const {
        return postgres_wanted() ? new_postgres_database(postgres) : new_sqlite_database();
    }
    // A board on `database` (a new one when empty), stopped when the test ends.
    BoardProcess &board(const std::vector<std::string> &options = {}, std::string database = "") {
        boards.emplace_back();
        BoardProcess &started = boards.back();
        EXPECT_TRUE(start_board(&started, database.empty() ? new_database() : database, options))
            << "see " << started.log;
        return started;
    }
    std::list<BoardProcess> boards; // every board this test started
};

TEST_P(BoardApi, RanksEachNamesBestRunByTheTimeItsReplayProves) {
    BoardProcess &b = board();
    std::string fast = search_bytes(7), slow = search_bytes(7, 90);
    int fast_ticks = verify_replay(decoded(fast)).found_ticks;
    int slow_ticks = verify_replay(decoded(slow)).found_ticks;
    ASSERT_LT(fast_ticks, slow_ticks);

    Answer bea = post_run(b, "Bea", TOKEN_B, slow);
    ASSERT_EQ(bea.status, 201) << bea.body;
    EXPECT_EQ(bea.parsed(), (json{{"id", bea.parsed()["id"]},
                                  {"field", 7},
                                  {"ticks", slow_ticks},
                                  {"time", search_time_text(slow_ticks)},
                                  {"rank", 1},
                                  {"of", 1}}));
    Answer ann = post_run(b, "Ann", TOKEN_A, fast);
    ASSERT_EQ(ann.status, 201) << ann.body;
    EXPECT_EQ(ann.parsed()["rank"], 1);
    EXPECT_EQ(ann.parsed()["of"], 2);
    Answer ann_again = post_run(b, "ann", TOKEN_A, slow); // slower: her best stays
    EXPECT_EQ(ann_again.parsed()["rank"], 1) << ann_again.body;
    Answer tie = post_run(b, "Cy", TOKEN_B, slow); // Bea's time, later: after her
    EXPECT_EQ(tie.parsed()["rank"], 3) << tie.body;
    EXPECT_EQ(post_run(b, "ANN", TOKEN_B, fast).status, 409);

    json runs = get(b, "/api/fields/7").parsed()["runs"];
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0], (json{{"rank", 1},
                             {"name", "Ann"},
                             {"ticks", fast_ticks},
                             {"time", search_time_text(fast_ticks)},
                             {"id", ann.parsed()["id"]}}));
    EXPECT_EQ(runs[1]["name"], "Bea");
    EXPECT_EQ(runs[2]["name"], "Cy");
    EXPECT_EQ(get(b, "/api/fields/7?limit=1").parsed()["runs"].size(), 1u);
    EXPECT_EQ(get(b, "/api/fields/8").parsed(), (json{{"field", 8}, {"runs", json::array()}}));

    std::string id = std::to_string(int(ann.parsed()["id"]));
    Answer replay = get(b, "/api/runs/" + id + "/replay");
    EXPECT_EQ(replay.body, fast);
    std::string page = get(b, "/fields/7").body;
    EXPECT_NE(page.find("href=\"/?replay=/api/runs/" + id + "/replay\""), std::string::npos);
}

TEST_P(BoardApi, RefusesForgedAndUnplayableReplays) {
    BoardProcess &b = board();
    std::string genuine = search_bytes(7);
    Replay replay = decoded(genuine);
    auto forged = [&](void (*change)(Replay *)) {
        Replay copy = replay;
        change(&copy);
        std::vector<unsigned char> bytes = encode_replay(copy);
        return std::string(bytes.begin(), bytes.end());
    };
    std::string flipped = genuine;
    flipped[flipped.size() / 2] ^= 0x10;
    long today = field_of_day(std::time(nullptr));
    struct Forgery {
        std::string what, body, error;
    } forgeries[] = {
        {"a flipped byte", flipped, "not a replay"},
        {"another field", forged([](Replay *r) { r->field = r->seed = 8; }), "not found"},
        {"a time it does not reach", forged([](Replay *r) { r->found_ticks--; }), "claims"},
        {"a closed day", search_bytes(20261201), "field 20261201 takes no runs now"},
        {"a clock's field", forged([](Replay *r) { r->field = 0; }), "clock"},
        {"an hour on the title card", forged([](Replay *r) { r->start_tick = 108001; }), "hour"},
        {"nothing", "", "not a replay"},
    };
    for (const Forgery &f : forgeries) {
        Answer a = post_run(b, "Ann", TOKEN_A, f.body);
        EXPECT_EQ(a.status, 422) << f.what << ": " << a.body;
        EXPECT_NE(a.parsed().value("error", "").find(f.error), std::string::npos)
            << f.what << ": " << a.body;
    }
    EXPECT_EQ(get(b, "/api/fields/7").parsed()["runs"].size(), 0u);
    EXPECT_EQ(post_run(b, "Ann", TOKEN_A, search_bytes(today)).status, 201); // today's is open
}

TEST_P(BoardApi, RefusesBadRequestsAndEscapesWhatItShows) {
    BoardProcess &b = board({"--runs-per-minute", "1000"});
    std::string genuine = search_bytes(7);
    for (std::string name : {"", "seventeen letters", "<script>", "Ann\"", "a'; DROP TABLE runs",
                             " Ann", "Ann ", "Zo\xc3\xab", "A&B", "tab\there"}) {
        Answer a = post_run(b, name, TOKEN_A, genuine);
        EXPECT_EQ(a.status, 400) << name << ": " << a.body;
        EXPECT_TRUE(a.parsed().contains("error")) << a.body;
    }
    EXPECT_EQ(post_run(b, "Ann", nullptr, genuine).status, 401);
    EXPECT_EQ(post_run(b, "Ann", "not-hex-not-hex-not-hex-not-hex!", genuine).status, 401);
    EXPECT_EQ(post_run(b, "Ann", "0123", genuine).status, 401);
    Answer huge = post_run(b, "Ann", TOKEN_A, std::string(1 << 20, 'x'));
    EXPECT_EQ(huge.status, 413) << huge.body;
    EXPECT_EQ(get(b, "/api/fields/7?limit=0").status, 400);
    EXPECT_EQ(get(b, "/api/fields/7?limit=101").status, 400);
    EXPECT_EQ(get(b, "/api/fields/0").status, 404);
    EXPECT_EQ(get(b, "/api/fields/100000000").status, 404);
    EXPECT_EQ(get(b, "/api/fields/7;DROP").status, 404);
    EXPECT_EQ(get(b, "/api/runs/1/replay").status, 404);
    EXPECT_EQ(get(b, "/today").headers.find("Location")->second,
              "/fields/" + std::to_string(field_of_day(std::time(nullptr))));

    EXPECT_EQ(post_run(b, "Ann.-_ 2", TOKEN_A, genuine).status, 201);
    for (const char *path : {"/fields/7", "/api/fields/7", "/healthz", "/nothing"}) {
        Answer a = get(b, path);
        EXPECT_EQ(a.headers.count("Content-Security-Policy"), 1u) << path;
        EXPECT_EQ(a.body.find("<script"), std::string::npos) << path;
    }
    EXPECT_EQ(get(b, "/healthz").status, 200);
}

TEST_P(BoardApi, LimitsRunsFromOneAddressBelievingOnlyATrustedProxy) {
    std::string genuine = search_bytes(7);
    BoardProcess &direct = board({"--runs-per-minute", "2"});
    httplib::Headers elsewhere = {{"X-Forwarded-For", "203.0.113.9"}};
    EXPECT_EQ(post_run(direct, "Ann", TOKEN_A, genuine).status, 201);
    EXPECT_EQ(post_run(direct, "Ann", TOKEN_A, genuine, elsewhere).status, 201);
    Answer third = post_run(direct, "Ann", TOKEN_A, genuine, elsewhere);
    EXPECT_EQ(third.status, 429) << third.body;
    EXPECT_EQ(third.headers.count("Retry-After"), 1u);

    BoardProcess &proxied = board({"--runs-per-minute", "1", "--trusted-proxy", "127.0.0.1"});
    for (const char *address : {"203.0.113.9", "198.51.100.1, 203.0.113.10"})
        EXPECT_EQ(post_run(proxied, "Ann", TOKEN_A, genuine, {{"X-Forwarded-For", address}}).status,
                  201)
            << address;
    EXPECT_EQ(
        post_run(proxied, "Ann", TOKEN_A, genuine, {{"X-Forwarded-For", "203.0.113.9"}}).status,
        429);
}

TEST_P(BoardApi, ASlowClientDoesNotHoldUpOthers) {
    BoardProcess &b = board();
    httplib::Client slow_client("127.0.0.1", b.port);
    // Half a request, its body never sent, held open while another player reads the board.
    int slow = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(b.port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(connect(slow, (sockaddr *)&address, sizeof address), 0);
    std::string half =
        "POST /api/runs?name=Slow HTTP/1.1\r\nHost: x\r\nContent-Length: 500\r\n\r\nab";
    ASSERT_EQ(send(slow, half.data(), half.size(), 0), ssize_t(half.size()));
    for (int i = 0; i < 20; i++)
        EXPECT_EQ(get(b, "/api/fields/7").status, 200);
    EXPECT_EQ(post_run(b, "Ann", TOKEN_A, search_bytes(7)).status, 201);
    char c;
    EXPECT_EQ(recv(slow, &c, 1, MSG_DONTWAIT), -1) << "the slow request was answered already";
    close(slow);
}

// Posts runs from `clients` threads at once, each under names of its own, until `stop` or
// `most` each; the ids of every run that got a 201.
static std::set<long long> post_many(const BoardProcess &b, int clients, int most,
                                     std::atomic<bool> *stop, std::atomic<int> *refused) {
    std::string genuine = search_bytes(7);
    std::mutex lock;
    std::set<long long> acknowledged;
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; c++)
        threads.emplace_back([&, c] {
            for (int i = 0; i < most && !*stop; i++) {
                Answer a = post_run(b, "P" + std::to_string(c) + "-" + std::to_string(i), TOKEN_A,
                                    genuine);
                if (a.status == 201) {
                    std::lock_guard<std::mutex> hold(lock);
                    acknowledged.insert(a.parsed()["id"].get<long long>());
                } else if (refused)
                    (*refused)++;
            }
        });
    for (std::thread &t : threads)
        t.join();
    return acknowledged;
}

TEST_P(BoardApi, EveryAcknowledgedRunOutlivesAKillAndATerminatedBoardFinishesItsWork) {
    std::string database = new_database();
    BoardProcess &b = board({"--runs-per-minute", "100000"}, database);
    std::atomic<bool> stop{false};
    std::set<long long> acknowledged;
    std::thread posting([&] { acknowledged = post_many(b, 8, 200, &stop, nullptr); });
    for (int look = 0; look < 1500 && get(b, "/api/fields/7").parsed()["runs"].size() < 30; look++)
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // 30 s at most
    EXPECT_EQ(stop_board(&b, SIGKILL), 128 + SIGKILL);
    stop = true;
    posting.join();
    ASSERT_GE(acknowledged.size(), 30u);

    BoardProcess &again = board({"--runs-per-minute", "100000"}, database);
    for (long long id : acknowledged)
        EXPECT_EQ(get(again, "/api/runs/" + std::to_string(id) + "/replay").status, 200) << id;

    // SIGTERM while clients post: the board stops taking new ones, answers those it took,
    // keeps every one it acknowledged, and exits 0 within 5 s.
    stop = false;
    std::thread more([&] { acknowledged = post_many(again, 8, 200, &stop, nullptr); });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    auto asked = std::chrono::steady_clock::now();
    EXPECT_EQ(stop_board(&again, SIGTERM), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(5));
    stop = true;
    more.join();
    BoardProcess &third = board({}, database);
    for (long long id : acknowledged)
        EXPECT_EQ(get(third, "/api/runs/" + std::to_string(id) + "/replay").status, 200) << id;
}

TEST_P(BoardApi, RemoveTakesOneRunDownAndTheNamesNextBestStands) {
    BoardProcess &b = board();
    std::string fast = search_bytes(7), slow = search_bytes(7, 90);
    long long fast_id = post_run(b, "Ann", TOKEN_A, fast).parsed()["id"];
    long long slow_id = post_run(b, "Ann", TOKEN_A, slow).parsed()["id"];
    ASSERT_GT(slow_id, fast_id);
    auto remove = [&](long long id) {
        std::string command = std::string(HAYSTACK_BOARD_BINARY) + " remove " + std::to_string(id) +
                              " --database " + b.database + " 2>/dev/null";
        return WEXITSTATUS(std::system(command.c_str()));
    };
    // A board keeps what it read for a second; a run removed elsewhere is gone after it.
    auto runs_after_removal = [&](size_t count) {
        json runs;
        for (int look = 0;
             look < 150 && (runs = get(b, "/api/fields/7").parsed()["runs"]).size() != count;
             look++)
            std::this_thread::sleep_for(std::chrono::milliseconds(20)); // 3 s at most
        return runs;
    };
    EXPECT_EQ(remove(fast_id), 0);
    json runs = runs_after_removal(1);
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0]["id"], slow_id);
    EXPECT_EQ(get(b, "/api/runs/" + std::to_string(fast_id) + "/replay").status, 404);
    EXPECT_EQ(remove(fast_id), 1);
    EXPECT_EQ(remove(slow_id), 0);
    EXPECT_EQ(runs_after_removal(0).size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(, BoardApi, testing::Values("sqlite", "postgresql"),
                         [](const testing::TestParamInfo<const char *> &param) {
                             return std::string(param.param);
                         });

using BoardOnPostgres = BoardApi;

TEST_P(BoardOnPostgres, AnswersBusyWhileTheDatabaseIsAwayAndServesWhenItReturns) {
    BoardProcess &b = board({"--runs-per-minute", "100000"});
    std::string genuine = search_bytes(7);
    // Eight players post throughout, while the database stops as a crash would and returns.
    std::atomic<bool> stop{false};
    std::atomic<int> refused{0};
    std::set<long long> acknowledged;
    std::thread posting([&] { acknowledged = post_many(b, 8, 300, &stop, &refused); });
    for (int look = 0; look < 1500 && get(b, "/api/fields/7").parsed()["runs"].size() < 10; look++)
        std::this_thread::sleep_for(std::chrono::milliseconds(20)); // 30 s at most
    stop_postgres(postgres, "immediate");
    Answer away = post_run(b, "Bea", TOKEN_B, genuine);
    EXPECT_EQ(away.status, 503) << away.body;
    EXPECT_EQ(away.headers.count("Retry-After"), 1u);
    EXPECT_EQ(get(b, "/healthz").status, 503);
    ASSERT_TRUE(restart_postgres(postgres));
    EXPECT_EQ(get(b, "/healthz").status, 200);
    EXPECT_EQ(post_run(b, "Bea", TOKEN_B, genuine).status, 201);
    stop = true;
    posting.join();
    EXPECT_GT(refused, 0);
    for (long long id : acknowledged)
        EXPECT_EQ(get(b, "/api/runs/" + std::to_string(id) + "/replay").status, 200) << id;
}

TEST_P(BoardOnPostgres, TwoBoardsOnOneDatabaseShowTheSameRunsAndNames) {
    std::string database = new_database();
    BoardProcess &one = board({}, database);
    BoardProcess &two = board({}, database);
    ASSERT_EQ(post_run(one, "Ann", TOKEN_A, search_bytes(7)).status, 201);
    ASSERT_EQ(post_run(two, "Bea", TOKEN_B, search_bytes(7, 30)).status, 201);
    EXPECT_EQ(post_run(two, "Ann", TOKEN_B, search_bytes(7)).status, 409);
    EXPECT_EQ(get(one, "/api/fields/7").body, get(two, "/api/fields/7").body);
    EXPECT_EQ(get(two, "/api/fields/7").parsed()["runs"].size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(, BoardOnPostgres, testing::Values("postgresql"));

TEST(BoardOnSqlite, AFullDiskRefusesRunsAndLosesNone) {
    std::string dir = scratch_dir() + "/tiny";
    std::filesystem::create_directories(dir);
    if (mount("tmpfs", dir.c_str(), "tmpfs", 0, "size=1m")) {
        GTEST_SKIP() << "a small file system cannot be mounted here: " << std::strerror(errno);
    }
    BoardProcess b;
    ASSERT_TRUE(start_board(&b, "sqlite:" + dir + "/board.db", {"--runs-per-minute", "100000"}));
    std::atomic<bool> stop{false};
    std::atomic<int> refused{0};
    std::set<long long> acknowledged;
    for (int round = 0; round < 40 && !refused; round++) {
        std::set<long long> more = post_many(b, 2, 50, &stop, &refused);
        acknowledged.insert(more.begin(), more.end());
    }
    EXPECT_GT(refused, 0) << "the disk never filled";
    std::printf("%zu runs kept before the disk filled\n", acknowledged.size());
    Answer full = post_run(b, "Full", TOKEN_A, search_bytes(7));
    EXPECT_EQ(full.status, 503) << full.body;
    for (long long id : acknowledged)
        EXPECT_EQ(get(b, "/api/runs/" + std::to_string(id) + "/replay").status, 200) << id;
    EXPECT_EQ(stop_board(&b, SIGTERM), 0);
    umount2(dir.c_str(), MNT_DETACH);
}
