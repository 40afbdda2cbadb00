-- wrk script: one upload of a safe rule in every four requests, the rest read the workshop list.
-- Each wrk thread stops after MAX_REQUESTS_PER_THREAD replies; the totals are printed at the end.
local threads = {}

function setup(thread)
    table.insert(threads, thread)
    thread:set("thread_id", #threads)
end

function init(args)
    limit = tonumber(os.getenv("MAX_REQUESTS_PER_THREAD") or "50000")
    sent, replies, uploads_sent, uploads_ok, lists_ok, limited, failures = 0, 0, 0, 0, 0, 0, 0
end

function request()
    sent = sent + 1
    if sent % 4 == 0 then
        uploads_sent = uploads_sent + 1
        local body = string.format(
            '{"rule_json":{"App":true,"Name":"负载 %d-%d","Paths":["USERFOLDER/.cache/load/%d"],' ..
            '"Notice":0,"PackName":"org.example.load","Description":"load test"}}', thread_id, sent, sent)
        return wrk.format("POST", "/market/tasks", {["Content-Type"] = "application/json"}, body)
    end
    return wrk.format("GET", "/market/tasks")
end

function response(status, headers, body)
    replies = replies + 1
    if status == 429 then
        limited = limited + 1
    elseif status ~= 200 then
        failures = failures + 1
    elseif string.find(body, '"reason"', 1, true) then
        uploads_ok = uploads_ok + 1
    else
        lists_ok = lists_ok + 1
    end
    if replies >= limit then
        wrk.thread:stop()
    end
end

function done(summary, latency, requests)
    local sent_uploads, uploads, lists, refused, failed = 0, 0, 0, 0, 0
    for _, thread in ipairs(threads) do
        sent_uploads = sent_uploads + thread:get("uploads_sent")
        uploads = uploads + thread:get("uploads_ok")
        lists = lists + thread:get("lists_ok")
        refused = refused + thread:get("limited")
        failed = failed + thread:get("failures")
    end
    local seconds = summary.duration / 1e6
    io.write(string.format("requests: %d in %.2f s, %.0f per second\n", summary.requests, seconds,
        summary.requests / seconds))
    io.write(string.format("latency: p50 %.2f ms, p99 %.2f ms, max %.2f ms\n", latency:percentile(50) / 1000,
        latency:percentile(99) / 1000, latency.max / 1000))
    io.write(string.format("uploads_sent %d\nuploads_ok %d\nlists_ok %d\nlimited %d\nfailures %d\nsocket_errors %d\n",
        sent_uploads, uploads, lists, refused, failed,
        summary.errors.connect + summary.errors.read + summary.errors.write + summary.errors.timeout))
end
