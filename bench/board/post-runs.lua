-- wrk's requests for `make bench-board`: POST /api/runs with genuine replays, each request
-- under a name and token of its own, so that every 201 is a new run proven and committed.
-- BENCH_REPLAYS names the replay files (space-separated), taken in turn.

local replays = {}
for path in string.gmatch(os.getenv("BENCH_REPLAYS") or "", "%S+") do
  local file = assert(io.open(path, "rb"))
  replays[#replays + 1] = file:read("*a")
  file:close()
end
assert(#replays > 0, "BENCH_REPLAYS names no replay")

local threads = {}
local thread_number = 0

function setup(thread)
  thread_number = thread_number + 1
  thread:set("number", thread_number)
  threads[#threads + 1] = thread
end

function init()
  sent = 0
  created = 0
  refused = 0
end

function request()
  sent = sent + 1
  local name = string.format("b%d-%d", number, sent)
  local token = string.format("%016x%016x", number, sent)
  local headers = {
    ["Authorization"] = "Bearer " .. token,
    ["Content-Type"] = "application/octet-stream",
  }
  return wrk.format("POST", "/api/runs?name=" .. name, headers, replays[sent % #replays + 1])
end

function response(status)
  if status == 201 then created = created + 1 else refused = refused + 1 end
end

function done(summary, latency)
  local total_created, total_refused = 0, 0
  for _, thread in ipairs(threads) do
    total_created = total_created + thread:get("created")
    total_refused = total_refused + thread:get("refused")
  end
  io.write(string.format("runs created %d, refused %d\n", total_created, total_refused))
end
