// The page's figures: its size, the module's code size, and in headless Chromium the time
// from navigation to the first picture (and how much of it is the page's own, against an
// empty page) and the cost of a tick at 1920 x 1080, beside the native tick of
// virelo_bench_render in the same run.
//
//   node bench/web-bench.mjs [build/web] [build/native/bin/virelo_bench_render]
//
// The page is served from 127.0.0.1 with cross-origin isolation: performance.now() then
// counts in 5 us steps instead of 100 us.
import { execFileSync } from "node:child_process";
import { existsSync, readFileSync, statSync } from "node:fs";
import { createServer } from "node:http";
import { createRequire } from "node:module";
import { join } from "node:path";
import { gzipSync } from "node:zlib";

const root = new URL("..", import.meta.url).pathname;
const { chromium } = createRequire(join(root, "web/package.json"))("playwright-core");
const web = process.argv[2] ?? join(root, "build/web");
const nativeBench = process.argv[3] ?? join(root, "build/native/bin/virelo_bench_render");
const loads = 10, ticks = 300;

const median = xs => [...xs].sort((a, b) => a - b)[xs.length >> 1];
const kib = n => `${(n / 1024).toFixed(1)} KiB`;

// The wasm sections by name: a section is an id byte and a LEB128 length.
function sections(bytes) {
  const names = ["custom", "type", "import", "function", "table", "memory", "global", "export",
                 "start", "element", "code", "data", "datacount"];
  const sizes = {};
  for (let at = 8; at < bytes.length;) {
    const id = bytes[at++];
    let size = 0;
    for (let shift = 0, b = 0x80; b & 0x80; shift += 7) size |= ((b = bytes[at++]) & 0x7f) << shift;
    sizes[names[id]] = (sizes[names[id]] ?? 0) + size;
    at += size;
  }
  return sizes;
}

const html = readFileSync(join(web, "virelo.html"));
const wasm = readFileSync(join(web, "virelo.wasm"));
const sprites = ["sheet.bmp", "mask.bmp"].reduce((n, f) => n + statSync(join(root, "resources", f)).size, 0);
const s = sections(wasm);
console.log(`virelo.html           ${kib(html.length)}, gzipped ${kib(gzipSync(html, { level: 9 }).length)}`);
console.log(`virelo.wasm           ${kib(wasm.length)}: code ${kib(s.code)}, data ${kib(s.data)} ` +
            `of which sprites ${kib(sprites)}; without the sprites ${kib(wasm.length - sprites)}`);

// The page, and at /empty one whose script only marks its start: what the browser itself
// takes from navigation to a page's first script, which no page can go below.
const empty = "<!DOCTYPE html><title>empty</title><script>performance.mark('virelo-start')</script>";
const server = createServer((req, res) => {
  res.writeHead(200, { "Content-Type": "text/html", "Cross-Origin-Opener-Policy": "same-origin",
                       "Cross-Origin-Embedder-Policy": "require-corp" });
  res.end(req.url.startsWith("/empty") ? empty : html);
}).listen(0, "127.0.0.1");
await new Promise(resolve => server.once("listening", resolve));
const base = `http://127.0.0.1:${server.address().port}/virelo.html`;

const browser = await chromium.launch({
  executablePath: "/usr/bin/chromium", chromiumSandbox: false,
  args: ["--disable-background-networking", "--disable-component-update", "--disable-sync", "--no-first-run"],
});
const open = async (query, url = base) => {
  const context = await browser.newContext({ viewport: { width: 1920, height: 1080 } });
  const page = await context.newPage();
  await page.goto(url + query);
  return { context, page };
};
try {
  // From navigation: the module compiled and the black first layout on the canvas; the
  // first tick drawn, which comes one period (100 ms at the default speed) after that.
  // The page's own part runs from its script's start; the empty page's loads take turns with
  // the page's, so that a shared machine's load falls on both.
  const ready = [], first = [], start = [], bare = [];
  const mark = (page, m) => page.evaluate(m => performance.getEntriesByName(m)[0]?.startTime, m);
  for (let i = 0; i < loads; ++i) {
    const { context, page } = await open("?seed=1");
    await page.waitForFunction(() => performance.getEntriesByName("virelo-first-tick").length);
    ready.push(await mark(page, "virelo-ready")), first.push(await mark(page, "virelo-first-tick"));
    start.push(await mark(page, "virelo-start"));
    await context.close();
    const blank = await open("", base.replace("virelo.html", "empty"));
    bare.push(await mark(blank.page, "virelo-start"));
    await blank.context.close();
  }
  console.log(`load to first layout  ${median(ready).toFixed(1)} ms, to first tick ${median(first).toFixed(1)} ms ` +
              `(median of ${loads} loads, 1920 x 1080)`);
  console.log(`  of which the page   ${median(ready.map((r, i) => r - start[i])).toFixed(1)} ms from its script's start ` +
              `(at ${median(start).toFixed(1)} ms); an empty page's script starts at ${median(bare).toFixed(1)} ms`);

  // As the native benchmark: random state 12345, 50 ticks in, then the ticks measured. The
  // two take turns, round by round, so that the load of a shared machine falls on both.
  const { context, page } = await open("?seed=12345&ticks=50");
  await page.waitForFunction(() => document.title === "done");
  const native = existsSync(nativeBench);
  const rounds = [];
  for (let round = 0; round < 5; ++round) {
    const m = await page.evaluate(n => {
      const time = f => { const t = performance.now(); f(); return performance.now() - t; };
      const tick = [], step = [];
      for (let i = 0; i < n; ++i) tick.push(time(virelo.tick));
      for (let i = 0; i < n; ++i) step.push(time(virelo.step));
      return { isolated: crossOriginIsolated, tick, step };
    }, ticks);
    const r = { isolated: m.isolated, tick: median(m.tick) * 1000, step: median(m.step) * 1000 };
    if (native) {
      const out = JSON.parse(execFileSync(nativeBench, ["--benchmark_filter=BM_TickPersistent",
                                                         "--benchmark_format=json"], { encoding: "utf8" }));
      const b = out.benchmarks[0];
      r.native = b.real_time * { ns: 1e-3, us: 1, ms: 1e3 }[b.time_unit];
    }
    rounds.push(r);
  }
  await context.close();
  const mid = key => median(rounds.map(r => r[key]));
  console.log(`page tick, 1920x1080  ${mid("tick").toFixed(0)} us without the canvas, ` +
              `${mid("step").toFixed(0)} us with putImageData (median of ${ticks} ticks, median of ` +
              `${rounds.length} rounds${rounds[0].isolated ? "" : ", timer at 100 us"})`);
  if (native) {
    console.log(`native tick           ${mid("native").toFixed(0)} us (BM_TickPersistent/1920/1080, ` +
                `same rounds); page with canvas ${median(rounds.map(r => r.step / r.native)).toFixed(1)} x native`);
  } else {
    console.log(`native tick           not built (${nativeBench})`);
  }
} finally {
  await browser.close();
  server.close();
}
