// build/web/virelo.html in Debian's Chromium against the native tools: its picture pixel
// for pixel against virelo-render, its engine's draw sequence against virelo-sim, and its
// reading of the address. Paths from VIRELO_HTML, VIRELO_RENDER, VIRELO_SIM, else the
// presets' build folders.
import { test, before, after } from "node:test";
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { pathToFileURL } from "node:url";
import { chromium } from "playwright-core";
import { PNG } from "pngjs";

const root = new URL("../..", import.meta.url).pathname;
const html = process.env.VIRELO_HTML ?? join(root, "build/web/virelo.html");
const render = process.env.VIRELO_RENDER ?? join(root, "build/native/bin/virelo-render");
const sim = process.env.VIRELO_SIM ?? join(root, "build/native/bin/virelo-sim");
const scratch = mkdtempSync(join(tmpdir(), "virelo-web-"));

// module: what the page carries imports nothing.
// picture: the window (CSS pixels) at a device scale, N ticks from seed S.
// refused: sizes each layout must answer with 0, then `then` more ticks on the old surface.
// first: a window (CSS pixels) too large for the page to start in, refused with one console
// line, before the picture's size.
// trace: the module's draw sequence for a client. address: the settings the page is left
// with (in a window of `size`, while it ticks), and how many console lines said a value
// was ignored or the size was refused.
const cases = [
  { name: "the module imports nothing", module: true },
  { name: "picture 1024x768", picture: [1024, 768, 1], seed: 5, ticks: 40 },
  { name: "picture 1366x705, odd sizes", picture: [1366, 705, 1], seed: 123456, ticks: 97 },
  { name: "picture 500x300 on the logical screen", picture: [500, 300, 1], seed: 3, ticks: 60 },
  { name: "picture 801x601 at device scale 2", picture: [801, 601, 2], seed: 9, ticks: 75 },
  { name: "picture 500x300 at device scale 2, logical", picture: [500, 300, 2], seed: 4, ticks: 80 },
  { name: "picture 1280x720, the largest seed, 20000 ticks", picture: [1280, 720, 1], seed: 2147483646, ticks: 20000 },
  { name: "picture 320x200, a ten-digit seed", picture: [320, 200, 1], seed: 2147483000, ticks: 300 },
  { name: "refused sizes leave the parade as it was", picture: [640, 480, 1], seed: 5, ticks: 40, then: 20,
    refused: [[65536, 65537, 1], [46341, 46341, 1], [100000, 100000, 1], [2147483647, 1, 1],
              [16385, 1, 1], [16384, 8193, 1], [0, 1, 1], [1, 1, 0], [1, 1, 65]] },
  { name: "16385 px wide refused, then 800x600 draws the picture", picture: [800, 600, 1], first: [16385, 10],
    seed: 8, ticks: 30 },
  { name: "trace 1024x768 against virelo-sim", trace: [1024, 768], seed: 77, ticks: 300 },
  { name: "junk leaves the defaults", address: "?speed=abc&blank=-5&seed=0x10", want: [100, 0, 3] },
  { name: "out of range leaves the defaults", address: "?speed=301&blank=65536", want: [100, 0, 2] },
  { name: "settings in range are kept", address: "?speed=300&blank=65535", want: [300, 65535, 0] },
  { name: "?ticks=999999999 answers scripts", address: "?seed=5&ticks=999999999", want: [100, 0, 0] },
  { name: "seeds past the range", address: "?seed=2147483647", want: [100, 0, 1] },
  { name: "numbers past 2^31", address: "?seed=4294967301&ticks=4294967296", want: [100, 0, 2] },
  { name: "16800 device pixels wide: one line", address: "?seed=5", size: [4200, 10, 4], want: [100, 0, 1] },
];

let browser;
before(async () => {
  browser = await chromium.launch({
    executablePath: "/usr/bin/chromium",
    chromiumSandbox: false,
    args: ["--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--no-first-run"],
  });
});
after(() => browser?.close());

async function open(query, width = 640, height = 480, deviceScaleFactor = 1) {
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor });
  const page = await context.newPage();
  const warnings = [];
  page.on("console", m => m.type() === "warning" && warnings.push(m.text()));
  page.on("pageerror", e => warnings.push(`error: ${e}`));
  page.on("request", r => r.url().startsWith("file:") || warnings.push(`request: ${r.url()}`));
  await page.goto(pathToFileURL(html) + query);
  return { context, page, warnings };
}

for (const c of cases) {
  test(c.name, async () => {
    if (c.module) {
      const base64 = readFileSync(html, "utf8").match(/const base64 = "([A-Za-z0-9+/=]+)"/)[1];
      const module = new WebAssembly.Module(Buffer.from(base64, "base64"));
      assert.deepEqual(WebAssembly.Module.imports(module), []);
      assert.ok(WebAssembly.Module.exports(module).length > 5);
    } else if (c.picture) {
      const [w, h, z] = c.picture;
      const { context, page, warnings } = await open(`?seed=${c.seed}&ticks=${c.ticks}`, ...(c.first ?? [w, h]), z);
      if (c.first) {
        await page.waitForFunction(() => globalThis.virelo);
        await page.setViewportSize({ width: w, height: h });
      }
      await page.waitForFunction(() => document.title === "done", null, { timeout: 300000 });
      const refused = await page.evaluate(([sizes, then]) => {
        const got = sizes.map(s => virelo.layout(...s));
        for (let k = 0; k < then; ++k) virelo.step();
        return got;
      }, [c.refused ?? [], c.then ?? 0]);
      assert.deepEqual(refused, (c.refused ?? []).map(() => 0));
      const shot = PNG.sync.read(await page.screenshot());
      const out = join(scratch, `${w}x${h}x${z}.png`);
      execFileSync(render, ["--seed", `${c.seed}`, "--client", `${w}x${h}`, "--ticks", `${c.ticks + (c.then ?? 0)}`,
                            "--zoom", `${z}`, "--out", out]);
      const want = PNG.sync.read(readFileSync(out));
      await context.close();
      assert.deepEqual(warnings, c.first ? [`virelo: cannot draw on ${c.first[0] * z} x ${c.first[1] * z} ` +
                                            `device pixels at zoom ${z}, stopped`] : []);
      assert.deepEqual([shot.width, shot.height], [want.width, want.height]);
      let lit = 0;
      for (let i = 0; i < want.data.length; i += 4) {
        const got = shot.data.readUIntBE(i, 3), expected = want.data.readUIntBE(i, 3);
        if (got !== expected) {
          const p = i / 4;
          assert.fail(`pixel (${p % want.width}, ${Math.floor(p / want.width)}): ` +
                      `${got.toString(16)}, virelo-render ${expected.toString(16)}`);
        }
        lit += expected !== 0;
      }
      assert.ok(lit > 1000, "the walkers are on the picture");
    } else if (c.trace) {
      const [w, h] = c.trace;
      const { context, page } = await open("?ticks=0");
      await page.waitForFunction(() => document.title === "done");
      const [got, ...tooLong] = await page.evaluate(([s, w, h, t]) => {
        const at = virelo.trace(s, w, h, t);
        const text = new TextDecoder().decode(new Uint8Array(virelo.memory.buffer, at, virelo.trace_size()));
        return [text, virelo.trace(s, w, h, 20001), virelo.trace_size()];
      }, [c.seed, w, h, c.ticks]);
      assert.deepEqual(tooLong, [0, 0]);
      await context.close();
      const want = execFileSync(sim, ["--seed", `${c.seed}`, "--client", `${w}x${h}`, "--ticks",
                                      `${c.ticks}`], { encoding: "utf8", maxBuffer: 1 << 28 });
      const a = got.split("\n"), b = want.split("\n");
      const first = b.findIndex((line, i) => a[i] !== line);
      assert.equal(first, -1, `line ${first + 1}: ${a[first]} | virelo-sim: ${b[first]}`);
      assert.equal(a.length, b.length);
    } else {
      const { context, page, warnings } = await open(c.address, ...(c.size ?? []));
      await page.waitForFunction(() => globalThis.virelo);
      const got = await page.evaluate(() => [virelo.speed(), virelo.blank()]);
      await context.close();
      assert.deepEqual([...got, warnings.length], c.want, warnings.join("\n"));
    }
  });
}
