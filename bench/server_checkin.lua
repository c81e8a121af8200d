-- wrk script for zulserver check-ins: each request is one machine (of 100,000) checking in as
-- the client writes it, listing the channel and, every other time, reporting one item installed.
-- Machines are split between wrk's threads, so that the distinct installs each thread reports
-- add up to the generator's own tally, printed by done() for comparison with the server's count.
local MACHINES = 100000
local CHANNEL = "{9D406394-BD56-70FD-BC9D-878734DB1AB6}"
local ITEMS = {
  "{7C2E4A1B-3D5F-4B6A-8C9E-0F1A2B3C4D51}", "{7C2E4A1B-3D5F-4B6A-8C9E-0F1A2B3C4D52}",
  "{7C2E4A1B-3D5F-4B6A-8C9E-0F1A2B3C4D53}", "{7C2E4A1B-3D5F-4B6A-8C9E-0F1A2B3C4D5E}",
}

local threads = {}
local counter = 0

function setup(thread)
  thread:set("index", counter)
  counter = counter + 1
  table.insert(threads, thread)
end

function init(args)
  -- index and count arrive through thread:set; the thread count through the arguments.
  count = tonumber(args[1]) or 1
  seen = {}
  distinct = 0
  math.randomseed(index * 7919 + 17)
end

function request()
  local machine = math.random(0, MACHINES / count - 1) * count + index
  local installed = ""
  if math.random(2) == 1 then
    local item = ITEMS[math.random(#ITEMS)]
    installed = item .. "," .. CHANNEL .. ";"
    local key = machine .. item
    if not seen[key] then
      seen[key] = true
      distinct = distinct + 1
    end
  end
  local body = string.format("clversion=1.1.1&checkintype=2&machineguid={%08X-0000-4000-8000-000000000000}&channels=%s,no-distid;&installed=%s",
                             machine, CHANNEL, installed)
  return wrk.format("POST", "/zulm/channelcheckin.asp", {["Content-Type"] = "application/x-www-form-urlencoded"}, body)
end

function done(summary, latency, requests)
  local tally = 0
  for _, thread in ipairs(threads) do tally = tally + thread:get("distinct") end
  local errors = summary.errors.connect + summary.errors.read + summary.errors.write + summary.errors.status + summary.errors.timeout
  io.write(string.format("RESULT %.1f %.3f %.3f %d %d\n", summary.requests / (summary.duration / 1e6),
                         latency:percentile(50) / 1000, latency:percentile(99) / 1000, errors, tally))
end
