// The board's HTTP server: routes, the run's path from request to commit, the pages, limits.
#include "server.h"

#include <httplib.h>
#include <signal.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "board_rules.h"
#include "replay.h"
#include "verify.h"

using nlohmann::json;

const size_t MOST_BODY = 64 * 1024;     // the largest replay posted, bytes
const int WORKER_THREADS = 128;         // requests served at once, slow clients among them
const int READ_TIMEOUT = 5;             // seconds a client may take to send a request
const int WRITE_TIMEOUT = 5;            // seconds a client may take to read the answer
const int KEEP_ALIVE_REQUESTS = 100000; // requests on one connection before it is closed
const int LISTEN_BACKLOG = SOMAXCONN;   // connections waiting to be accepted: many clients
                                        // connecting at once are not made to try again a
                                        // second later
const int KEEP_ALIVE_TIMEOUT = 2;       // seconds an idle connection is kept open
const int MOST_RUNS_A_COMMIT = 64;      // runs kept in one commit, when many wait
const int RETRY_SECONDS = 5;            // Retry-After when the board cannot take a run now

// The page's and the board's own Content-Security-Policy: the board's origin only.
const char *const BOARD_POLICY = "default-src 'none'; style-src 'self'; img-src 'self'; "
                                 "base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
const char *const GAME_POLICY =
    "default-src 'self'; script-src 'self' blob: 'wasm-unsafe-eval'; style-src 'self'; "
    "img-src 'self' data: blob:; media-src 'self' blob:; connect-src 'self'; worker-src 'self'; "
    "manifest-src 'self'; object-src 'none'; base-uri 'none'; form-action 'self'; "
    "frame-ancestors 'none'";

static const Store *store;                    // where the runs are kept
static BoardOptions options;                  // how the board runs
static std::atomic<httplib::Server *> server; // the server, while it serves

// ---- Keeping runs: one writer, which commits the runs waiting together

// A verified run waiting to be kept, and the answer once it is.
struct Waiting {
    NewRun run;
    AddedRun added;
    bool done = false;
};

static std::mutex queue_lock;              // guards the queue and each entry's `done`
static std::condition_variable queue_wake; // the writer: runs wait; the posters: runs kept
static std::deque<Waiting *> queue;        // runs waiting to be kept, oldest first
static bool writer_stop;                   // the writer ends when the queue is empty

// The writer's loop: takes what waits, keeps it in one commit, answers each.
static void keep_runs() {
    std::vector<NewRun> runs;
    std::vector<AddedRun> added;
    std::vector<Waiting *> taken;
    for (;;) {
        {
            std::unique_lock<std::mutex> hold(queue_lock);
            queue_wake.wait(hold, [] { return writer_stop || !queue.empty(); });
            if (queue.empty())
                return;
            taken.clear();
            while (!queue.empty() && int(taken.size()) < MOST_RUNS_A_COMMIT) {
                taken.push_back(queue.front());
                queue.pop_front();
            }
        }
        runs.clear();
        for (Waiting *w : taken)
            runs.push_back(w->run);
        added.assign(taken.size(), AddedRun{STORE_UNAVAILABLE, 0, 0, 0});
        store->add_runs(runs.data(), added.data(), int(runs.size()));
        std::lock_guard<std::mutex> hold(queue_lock);
        for (size_t i = 0; i < taken.size(); i++) {
            taken[i]->added = added[i];
            taken[i]->done = true;
        }
        queue_wake.notify_all();
    }
}

// Keeps `run`, waiting for its commit.
static AddedRun keep_run(const NewRun &run) {
    Waiting waiting;
    waiting.run = run;
    std::unique_lock<std::mutex> hold(queue_lock);
    queue.push_back(&waiting);
    queue_wake.notify_all();
    queue_wake.wait(hold, [&] { return waiting.done; });
    return waiting.added;
}

// ---- Limits

// Where a request came from: the peer, or for a trusted proxy the last address it forwarded.
static std::string client_address(const httplib::Request &req) {
    bool trusted = false;
    for (const std::string &proxy : options.trusted_proxies)
        trusted = trusted || proxy == req.remote_addr;
    std::string forwarded = req.get_header_value("X-Forwarded-For");
    if (!trusted || forwarded.empty())
        return req.remote_addr;
    size_t comma = forwarded.rfind(',');
    std::string last = comma == std::string::npos ? forwarded : forwarded.substr(comma + 1);
    size_t start = last.find_first_not_of(' ');
    return start == std::string::npos ? req.remote_addr : last.substr(start);
}

// One address's allowance of runs: a bucket refilled at the rate a minute allows.
struct Allowance {
    double runs;     // runs it may post now
    double refilled; // when it was last refilled, seconds on the steady clock
};
static std::mutex allowance_lock;                   // guards `allowances`
static std::map<std::string, Allowance> allowances; // by address
const size_t MOST_ADDRESSES = 100000;               // addresses remembered before forgetting

static double steady_seconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// Takes one run from `address`'s allowance; false when it has none left.
static bool allow_run(const std::string &address) {
    double now = steady_seconds(), most = options.runs_per_minute;
    std::lock_guard<std::mutex> hold(allowance_lock);
    if (allowances.size() >= MOST_ADDRESSES)
        allowances.clear();
    auto found = allowances.find(address);
    if (found == allowances.end())
        found = allowances.emplace(address, Allowance{most, now}).first;
    Allowance &a = found->second;
    a.runs = std::min(most, a.runs + (now - a.refilled) * most / 60);
    a.refilled = now;
    if (a.runs < 1)
        return false;
    a.runs -= 1;
    return true;
}

// ---- Boards as read, kept a moment: a busy field is read from the database once a second

const double BOARD_KEPT_SECONDS = 1;  // how long a board read stays the answer, unless this
                                      // board takes a run on its field meanwhile
const size_t MOST_BOARDS_KEPT = 1000; // fields whose boards are kept before starting again

// A field's board as last read: its best MAX_BOARD_LIMIT runs, and its JSON whole.
struct KeptBoard {
    std::vector<BoardRow> rows;
    std::shared_ptr<const std::string> json_text;
    double read_at; // seconds on the steady clock
};
static std::mutex boards_lock;           // guards `boards`
static std::map<long, KeptBoard> boards; // by field

// The board's JSON for `rows`, the first `limit` of them.
static std::string board_json(long field, const std::vector<BoardRow> &rows, size_t limit) {
    json runs = json::array();
    for (size_t i = 0; i < rows.size() && i < limit; i++)
        runs.push_back(json{{"rank", rows[i].rank},
                            {"name", rows[i].name},
                            {"ticks", rows[i].ticks},
                            {"time", search_time_text(rows[i].ticks)},
                            {"id", rows[i].id}});
    return json{{"field", field}, {"runs", runs}}.dump();
}

// Field `field`'s board, read again when the one kept is older than a moment.
static StoreResult read_board(long field, KeptBoard *board) {
    double now = steady_seconds();
    {
        std::lock_guard<std::mutex> hold(boards_lock);
        auto kept = boards.find(field);
        if (kept != boards.end() && now - kept->second.read_at < BOARD_KEPT_SECONDS) {
            *board = kept->second;
            return STORE_OK;
        }
    }
    board->rows.clear();
    StoreResult result = store->board(field, MAX_BOARD_LIMIT, &board->rows);
    if (result != STORE_OK)
        return result;
    board->json_text =
        std::make_shared<const std::string>(board_json(field, board->rows, board->rows.size()));
    board->read_at = now;
    std::lock_guard<std::mutex> hold(boards_lock);
    if (boards.size() >= MOST_BOARDS_KEPT)
        boards.clear();
    boards[field] = *board;
    return STORE_OK;
}

// Forgets field `field`'s board, which a run just changed.
static void board_changed(long field) {
    std::lock_guard<std::mutex> hold(boards_lock);
    boards.erase(field);
}

// ---- Answers

static void answer_json(httplib::Response &res, int status, const json &body) {
    res.status = status;
    res.set_content(body.dump(), "application/json");
}

static void refuse(httplib::Response &res, int status, const std::string &why) {
    if (status == 429 || status == 503)
        res.set_header("Retry-After", std::to_string(RETRY_SECONDS));
    answer_json(res, status, json{{"error", why}});
}

// The answer for a store that could not do what was asked.
static void refuse_store(httplib::Response &res, StoreResult result) {
    if (result == STORE_FULL)
        refuse(res, 503, "the board's disk is full");
    else
        refuse(res, 503, "the board's database cannot be reached");
}

// POST /api/runs?name=NAME: proves the replay, keeps it, answers with its rank.
static void post_run(const httplib::Request &req, httplib::Response &res) {
    std::string name = req.get_param_value("name");
    if (!valid_name(name))
        return refuse(res, 400, "a name is 1 to 16 letters, digits, spaces, - _ or .");
    if (name.front() == ' ' || name.back() == ' ')
        return refuse(res, 400, "a name may not begin or end with a space");
    std::string token = bearer_token(req.get_header_value("Authorization"));
    if (token.empty())
        return refuse(res, 401, "a player's token is needed");
    if (req.body.size() > MOST_BODY)
        return refuse(res, 413, "a replay is at most 64 kB");
    std::string address = client_address(req);
    if (!allow_run(address))
        return refuse(res, 429, "too many runs: try again in a minute");

    ProofResult proof =
        prove_replay((const unsigned char *)req.body.data(), req.body.size(), std::time(nullptr));
    if (proof.proof == PROOF_BUSY)
        return refuse(res, 503, proof.why);
    if (proof.proof == PROOF_REFUSED)
        return refuse(res, 422, proof.why);

    NewRun run;
    run.field = proof.field;
    run.ticks = proof.ticks;
    run.name = name;
    run.token_sha256 = sha256_hex(token);
    run.address = address;
    run.replay.assign(req.body.begin(), req.body.end());
    AddedRun added = keep_run(run);
    if (added.result == STORE_NAME_TAKEN)
        return refuse(res, 409, "that name is another player's");
    if (added.result != STORE_OK)
        return refuse_store(res, added.result);
    board_changed(run.field);
    answer_json(res, 201,
                json{{"id", added.id},
                     {"field", run.field},
                     {"ticks", run.ticks},
                     {"time", search_time_text(run.ticks)},
                     {"rank", added.rank},
                     {"of", added.of}});
}

// The field and the count asked for by a board request, or false having refused it.
static bool board_request(const httplib::Request &req, httplib::Response &res, long *field,
                          int *limit) {
    *field = parse_field(req.matches[1]);
    if (!*field) {
        refuse(res, 404, "no such field");
        return false;
    }
    *limit = parse_limit(req.get_param_value("limit"));
    if (!*limit) {
        refuse(res, 400, "limit is a count from 1 to 100");
        return false;
    }
    return true;
}

// GET /api/fields/N: the field's board as JSON.
static void get_field(const httplib::Request &req, httplib::Response &res) {
    long field;
    int limit;
    if (!board_request(req, res, &field, &limit))
        return;
    KeptBoard board;
    StoreResult result = read_board(field, &board);
    if (result != STORE_OK)
        return refuse_store(res, result);
    if (limit >= int(board.rows.size()))
        res.set_content(*board.json_text, "application/json");
    else
        res.set_content(board_json(field, board.rows, size_t(limit)), "application/json");
}

// GET /api/runs/ID/replay: the run's replay file.
static void get_replay(const httplib::Request &req, httplib::Response &res) {
    long long id = parse_run_id(req.matches[1]);
    std::vector<unsigned char> bytes;
    StoreResult result = id ? store->replay(id, &bytes) : STORE_NOT_FOUND;
    if (result == STORE_NOT_FOUND)
        return refuse(res, 404, "no such run");
    if (result != STORE_OK)
        return refuse_store(res, result);
    res.set_content(std::string(bytes.begin(), bytes.end()), "application/octet-stream");
}

static void get_health(const httplib::Request &, httplib::Response &res) {
    if (store->health() != STORE_OK)
        return refuse(res, 503, "the board's database cannot be reached");
    answer_json(res, 200, json{{"status", "ok"}});
}

// ---- Pages

// A whole page around `body`, titled `title`.
static std::string page(const std::string &title, const std::string &body) {
    return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
           "<meta name=\"description\" content=\"Haystack's board: the fastest searches, each "
           "proven by its replay.\">\n<title>" +
           html_escape(title) +
           "</title>\n<link rel=\"icon\" href=\"/favicon.ico\">\n"
           "<link rel=\"stylesheet\" href=\"/board.css\">\n</head>\n<body>\n<main>\n" +
           body + "</main>\n</body>\n</html>\n";
}

// GET /fields/N: the field's board as a page, each run with a link to watch it.
static void field_page(const httplib::Request &req, httplib::Response &res) {
    long field;
    int limit;
    if (!board_request(req, res, &field, &limit))
        return;
    KeptBoard board;
    StoreResult result = read_board(field, &board);
    std::vector<BoardRow> rows(board.rows.begin(),
                               board.rows.begin() + std::min(size_t(limit), board.rows.size()));
    if (result != STORE_OK) {
        refuse_store(res, result);
        res.set_content(page("Haystack board", "<h1>The board cannot be read now</h1>\n"),
                        "text/html; charset=utf-8");
        return;
    }
    std::string number = std::to_string(field);
    std::string body = "<h1>Field " + number + "</h1>\n";
    if (rows.empty())
        body += "<p>No one has found the needle here yet.</p>\n";
    else {
        body += "<table>\n<caption>The fastest searches of field " + number +
                ", each name's best</caption>\n<thead><tr><th scope=\"col\">Rank</th>"
                "<th scope=\"col\">Name</th><th scope=\"col\">Time</th>"
                "<th scope=\"col\">Replay</th></tr></thead>\n<tbody>\n";
        for (const BoardRow &row : rows) {
            std::string name = html_escape(row.name), id = std::to_string(row.id);
            body += "<tr><td>" + std::to_string(row.rank) + "</td><td>" + name + "</td><td>" +
                    search_time_text(row.ticks) + "</td><td><a href=\"/?replay=/api/runs/" + id +
                    "/replay\" aria-label=\"Watch " + name +
                    "&#39;s search\">Watch</a></td></tr>\n";
        }
        body += "</tbody>\n</table>\n";
    }
    body += "<p><a href=\"/today\">Today's field</a></p>\n";
    res.set_content(page("Field " + number + " - Haystack board", body),
                    "text/html; charset=utf-8");
}

// GET /today: to today's field of the day.
static void today(const httplib::Request &, httplib::Response &res) {
    res.set_redirect("/fields/" + std::to_string(field_of_day(std::time(nullptr))));
}

static void style(const httplib::Request &, httplib::Response &res) {
    res.set_content("body{font-family:sans-serif;margin:1em auto;max-width:40em;padding:0 1em;"
                    "color:#111;background:#fff}table{border-collapse:collapse;width:100%}"
                    "th,td{text-align:left;padding:.4em;border-bottom:1px solid #999}"
                    "a{color:#0645ad}\n",
                    "text/css");
}

// ---- The server

// The headers every answer carries: the content's policy, and no guessing at types.
static void add_policy(const httplib::Request &req, httplib::Response &res) {
    bool board = req.path.rfind("/api/", 0) == 0 || req.path.rfind("/fields/", 0) == 0 ||
                 req.path == "/healthz" || req.path == "/today" || req.path == "/board.css";
    res.set_header("Content-Security-Policy",
                   board || options.web.empty() ? BOARD_POLICY : GAME_POLICY);
    res.set_header("X-Content-Type-Options", "nosniff");
    res.set_header("Referrer-Policy", "no-referrer");
}

// An answer the routes left without a body (no route, a body too large): its reason as JSON.
static void fill_error(const httplib::Request &, httplib::Response &res) {
    if (!res.body.empty())
        return;
    if (res.status == 413)
        refuse(res, 413, "a replay is at most 64 kB");
    else if (res.status == 404)
        refuse(res, 404, "nothing is here");
    else
        refuse(res, res.status, "the request cannot be answered");
}

// Stops the server on SIGTERM or SIGINT, which every other thread has blocked.
static void wait_for_signal(sigset_t signals) {
    int signal_number = 0;
    sigwait(&signals, &signal_number);
    httplib::Server *serving = server;
    if (serving)
        serving->stop();
}

static void add_routes(httplib::Server &svr) {
    svr.Post("/api/runs", post_run);
    svr.Get(R"(/api/fields/([^/]+))", get_field);
    svr.Get(R"(/api/runs/([^/]+)/replay)", get_replay);
    svr.Get("/healthz", get_health);
    svr.Get(R"(/fields/([^/]+))", field_page);
    svr.Get("/today", today);
    svr.Get("/board.css", style);
    svr.Get("/favicon.ico", [](const httplib::Request &, httplib::Response &res) {
        res.status = 204; // no icon of the board's own; the browser game's, when served, wins
    });
    if (!options.web.empty()) {
        svr.set_mount_point("/", options.web);
        svr.set_file_extension_and_mimetype_mapping("wasm", "application/wasm");
        svr.set_file_extension_and_mimetype_mapping("webmanifest", "application/manifest+json");
    }
}

int serve_board(const BoardOptions &board_options, const Store *board_store) {
    options = board_options;
    store = board_store;
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    httplib::Server svr;
    svr.new_task_queue = [] { return new httplib::ThreadPool(WORKER_THREADS); };
    svr.set_payload_max_length(MOST_BODY);
    svr.set_read_timeout(READ_TIMEOUT, 0);
    svr.set_write_timeout(WRITE_TIMEOUT, 0);
    svr.set_keep_alive_timeout(KEEP_ALIVE_TIMEOUT);
    svr.set_keep_alive_max_count(KEEP_ALIVE_REQUESTS);
    svr.set_tcp_nodelay(true); // an answer goes out whole at once, never held for an ack
    svr.set_post_routing_handler(add_policy);
    svr.set_error_handler(fill_error);
    add_routes(svr);

    int listening = -1; // the listening socket, as the library makes it
    svr.set_socket_options([&listening](int socket) {
        int on = 1;
        setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        listening = socket;
    });
    int port = options.port;
    bool bound = port ? svr.bind_to_port(options.host, port)
                      : (port = svr.bind_to_any_port(options.host)) > 0;
    if (!bound) {
        std::fprintf(stderr, "haystack-board: cannot listen on %s:%d\n", options.host.c_str(),
                     options.port);
        return 1;
    }
    listen(listening, LISTEN_BACKLOG); // the library listens with a backlog of 5
    server = &svr;
    std::thread writer(keep_runs);
    std::thread signal_watch(wait_for_signal, signals);
    std::printf("haystack-board: serving http://%s:%d\n", options.host.c_str(), port);
    std::fflush(stdout);
    svr.listen_after_bind();

    server = nullptr;
    {
        std::lock_guard<std::mutex> hold(queue_lock);
        writer_stop = true;
        queue_wake.notify_all();
    }
    writer.join();
    signal_watch.detach();
    return 0;
}
