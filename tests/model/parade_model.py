#!/usr/bin/env python3
"""A second, deliberately plain model of the parade, written from the rules rather than
from the C++ code, that prints the same trace as virelo-sim. The test compares the two
line by line; any difference points at a misread rule in one of them."""
import sys

M = 2147483647
DX = [12, 12, 12, 18, 12, 20, 12, 12, 10, 12, 14, 10, 12, 12, 10, 16, 12, 12, 8, 18]


def trunc_div(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b >= 0) else -q


class Parade:
    def __init__(self, seed):
        self.state = seed
        self.w = [dict() for _ in range(20)]

    def rand(self):
        self.state = self.state * 16807 % M
        return self.state

    def place(self, cw, ch):
        W, H = (640, 480) if cw < 640 or ch < 400 else (cw, ch)
        cx, ry, sx, sy = 0, 32, 0, 0
        for i, w in enumerate(self.w):
            vs = min(8, 2 * DX[i] // 3)
            w.update(width=64, height=64, sheetX=sx, sheetY=sy, x=cx, y=ry, dx=DX[i],
                     dy=-vs if i % 2 else vs, vspeed=vs, wait=0)
            cx += 96 + 16 * (self.rand() // 107374182)
            if cx > W:
                cx -= W
            ry += 96
            if ry >= H - 70:
                ry = 32
            sx += 128
            if sx == 512:
                sx, sy = 0, sy + 64
        self.w[19]["height"] = 70

    def tick(self, cw, ch, out):
        stage = (0, 0, 640, 480) if cw < 640 or ch < 400 else (0, 0, cw, ch)
        L, T, R, B = stage
        plan = []
        for i, w in enumerate(self.w):
            if w["wait"]:
                plan.append((w["x"], w["y"], w["dy"]))
                continue
            px, pdy = w["x"] + w["dx"], w["dy"]
            if w["x"] + w["dx"] > R:
                px = L - 64
                if pdy == 0:
                    pdy = -w["vspeed"] if self.rand() < 0x3FFFFFFF else w["vspeed"]
                if 12 <= i <= 15:
                    w["sheetY"] = 324 if self.rand() < 0x1FFFFFFF else 192
            py = w["y"] + pdy
            if self.rand() < 0x4444444:
                if pdy == 0:
                    pdy = w["vspeed"]
                pdy = -pdy
                if self.rand() < 0x1FFFFFFF:
                    pdy = 0
            if py < T:
                py, pdy = T, -pdy
            elif py >= B - 70:
                py, pdy = B - 70, -pdy
            plan.append((px, py, pdy))

        def old(j):
            w = self.w[j]
            return (w["x"], w["y"], w["x"] + w["width"], w["y"] + w["height"])

        def new(j):
            w = self.w[j]
            return (plan[j][0], plan[j][1], plan[j][0] + w["width"], plan[j][1] + w["height"])

        def meet(a, b):
            return max(a[0], b[0]) < min(a[2], b[2]) and max(a[1], b[1]) < min(a[3], b[3])

        group = [-1] * 20
        for i in range(19):
            if self.w[i]["wait"]:
                continue
            for r in (old(i), new(i)):
                for j in range(i + 1, 20):
                    if self.w[j]["x"] <= L - 64:
                        continue
                    if meet(r, old(j)) or meet(r, new(j)):
                        if group[j] == -1:
                            if group[i] == -1:
                                group[i] = i
                            group[j] = group[i]
                        elif group[i] == -1:
                            group[i] = group[j]

        state = [0] * 20

        def fill(j):
            o = old(j)
            out.append("fill %d %d %d %d %d" % (j, *o))

        def commit(j):
            w = self.w[j]
            w["x"], w["y"], w["dy"] = plan[j]

        def draw(j):
            w = self.w[j]
            cx = w["width"] if w["x"] + w["width"] <= R else R - w["x"]
            src = w["sheetX"] + 64 if trunc_div(w["x"], w["dx"]) % 2 == 0 else w["sheetX"]
            out.append("draw %d %d %d %d %d %d %d" % (j, w["x"], w["y"], cx, w["height"], src, w["sheetY"]))

        def arm(j):
            self.w[j]["wait"] = 1
            if plan[j][0] == L - 64:
                self.w[j]["wait"] = self.rand() // 85899345 + 1

        for i in range(20):
            if self.w[i]["wait"] == 0 and group[i] == -1:
                fill(i)
                commit(i)
                state[i] = 2
                draw(i)
                arm(i)
        for i in range(20):
            if self.w[i]["wait"] == 0 and group[i] != -1:
                if state[i] == 0:
                    fill(i)
                    for j in range(i + 1, 20):
                        if state[j] == 0 and group[j] == i:
                            fill(j)
                            state[j] = 1
                    state[i] = 1
                for j in range(i, 20):
                    if state[j] == 1:
                        commit(j)
                        draw(j)
                        state[j] = 2
                arm(i)
            self.w[i]["wait"] -= 1

    def records(self, out):
        for i, w in enumerate(self.w):
            out.append("w %d %d %d %d %d %d %d %d %d" % (i, w["x"], w["y"], w["dy"], w["wait"],
                                                        w["sheetX"], w["sheetY"], w["width"], w["height"]))
        out.append("rand %d" % self.state)


def main():
    seed, cw, ch, ticks = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
    p = Parade(seed)
    p.place(cw, ch)
    out = ["place"]
    p.records(out)
    for k in range(1, ticks + 1):
        out.append("tick %d" % k)
        p.tick(cw, ch, out)
        p.records(out)
    sys.stdout.write("\n".join(out) + "\n")


if __name__ == "__main__":
    main()
