// Logo studio: shows a logo as the screen cycles it and drives the studio's
// HTTP interface. Everything here works on the logo file's own bytes, so what
// the page shows is what the downloaded file will show.
"use strict";

const LOGO_BYTES = 129078;
const FIRST_CYCLED_AT = 50;
const PALETTE_AT = 54;
const PIXELS_AT = 1078;
const LOGO_W = 320;
const LOGO_H = 400;
const VIEW_W = 640;
const VIEW_H = 480;
const MAX_PICKED = 16;
// The delays a step can take; the GIF keeps hundredths of a second.
const DELAYS = [20, 30, 40, 50, 70, 100, 150, 200, 300, 500, 700, 1000, 1500, 2000, 3000, 5000, 10000];
const FIT_DEBOUNCE_MS = 300;

const $ = (id) => document.getElementById(id);
const mod = (a, n) => ((a % n) + n) % n;
const hex2 = (v) => v.toString(16).padStart(2, "0");

// ---------------------------------------------------------------- the logo

// Reads the logo file into what drawing needs: the palette packed for
// ImageData, which entry each view pixel shows, and the view pixels whose
// entry cycles (the only ones a step redraws).
function readLogo(bytes) {
  if (bytes.length !== LOGO_BYTES) {
    throw new Error(`the answer is ${bytes.length} bytes, not a logo's ${LOGO_BYTES}`);
  }
  const first = bytes[FIRST_CYCLED_AT];
  const packed = new Uint32Array(256);
  const hex = new Array(256);
  const lightness = new Uint8Array(256);
  for (let i = 0; i < 256; i++) {
    const at = PALETTE_AT + 4 * i;
    const b = bytes[at], g = bytes[at + 1], r = bytes[at + 2];
    // ImageData is RGBA in memory; every browser that runs this is little-endian.
    packed[i] = (255 << 24 | b << 16 | g << 8 | r) >>> 0;
    hex[i] = "#" + hex2(r) + hex2(g) + hex2(b);
    lightness[i] = (r * 299 + g * 587 + b * 114) / 1000;
  }
  const viewIndex = new Uint8Array(VIEW_W * VIEW_H);
  for (let y = 0; y < VIEW_H; y++) {
    const logoRow = Math.floor(y * LOGO_H / VIEW_H);
    // The file holds the bottom row first.
    const rowAt = PIXELS_AT + (LOGO_H - 1 - logoRow) * LOGO_W;
    const out = y * VIEW_W;
    for (let x = 0; x < VIEW_W; x++) viewIndex[out + x] = bytes[rowAt + (x >> 1)];
  }
  const uses = new Uint32Array(256);
  for (let i = PIXELS_AT; i < LOGO_BYTES; i++) uses[bytes[i]]++;
  return { bytes, first, packed, hex, lightness, viewIndex, uses, ...cycledPixels(viewIndex, first) };
}

function cycledPixels(viewIndex, first) {
  if (first === 0) return { cycled: new Int32Array(0), dirty: null };
  let count = 0;
  for (let i = 0; i < viewIndex.length; i++) if (viewIndex[i] >= first) count++;
  const cycled = new Int32Array(count);
  let left = VIEW_W, top = VIEW_H, right = -1, bottom = -1, k = 0;
  for (let i = 0; i < viewIndex.length; i++) {
    if (viewIndex[i] < first) continue;
    cycled[k++] = i;
    const x = i % VIEW_W, y = (i - x) / VIEW_W;
    if (x < left) left = x;
    if (x > right) right = x;
    if (y < top) top = y;
    if (y > bottom) bottom = y;
  }
  const dirty = count ? { x: left, y: top, w: right - left + 1, h: bottom - top + 1 } : null;
  return { cycled, dirty };
}

const cycleLength = (logo) => (logo && logo.first > 0 ? 256 - logo.first : 0);

// The colour each entry shows at step `step`: slot x >= s shows the colour
// stored in slot s + ((x - s + step) mod n); a negative step runs backwards.
function coloursAtStep(logo, step) {
  const shown = logo.packed.slice();
  const n = cycleLength(logo);
  for (let x = logo.first; n && x < 256; x++) shown[x] = logo.packed[logo.first + mod(x - logo.first + step, n)];
  return shown;
}

// ---------------------------------------------------------------- state

const state = {
  picture: null,          // the File the person opened, kept to re-fit
  logo: null,             // readLogo() of what is shown
  step: 0,
  playing: true,
  delay: 100,
  reverse: false,
  timer: 0,
  tool: "look",           // look | pick | paint | erase
  painting: false,        // a brush stroke is under way
  lastPaint: null,        // where the stroke was last stamped
  lit: -1,
  picked: [],
  layerFile: null,
  mask: new Uint8Array(LOGO_W * LOGO_H),
  maskFile: null,         // an uploaded mask, sent as it is until painted over
  maskPng: null,          // the painted mask as PNG, made again after each stroke
  fitTimer: 0,
  logoRequest: 0,         // newest request that makes a logo; older answers are dropped
  fitAbort: null,
  fitCommand: "",
  logoUrl: "",
};

// ---------------------------------------------------------------- drawing

const viewCtx = $("view").getContext("2d");
const frame = viewCtx.createImageData(VIEW_W, VIEW_H);
const frame32 = new Uint32Array(frame.data.buffer);

function drawWhole() {
  const logo = state.logo;
  const shown = coloursAtStep(logo, state.step);
  const index = logo.viewIndex;
  for (let i = 0; i < frame32.length; i++) frame32[i] = shown[index[i]];
  viewCtx.putImageData(frame, 0, 0);
  $("screen").style.backgroundColor = logo.hex[0];
}

// A step rewrites only the view pixels whose entry cycles and puts back only
// the rectangle around them: a cycling page should cost next to nothing.
function drawCycled() {
  const logo = state.logo;
  if (!logo.dirty) return;
  const shown = coloursAtStep(logo, state.step);
  const index = logo.viewIndex;
  const cycled = logo.cycled;
  for (let k = 0; k < cycled.length; k++) frame32[cycled[k]] = shown[index[cycled[k]]];
  const d = logo.dirty;
  viewCtx.putImageData(frame, 0, 0, d.x, d.y, d.w, d.h);
}

function showFrameNumber() {
  const n = cycleLength(state.logo);
  $("frame").textContent = n ? `step ${mod(state.step, n)} of ${n}` : "still: nothing cycles";
}

// ---------------------------------------------------------------- cycling

function schedule() {
  clearTimeout(state.timer);
  state.timer = 0;
  if (!state.playing || cycleLength(state.logo) === 0) return;
  state.timer = setTimeout(() => {
    advance();
    schedule();
  }, state.delay);
}

function advance() {
  if (!state.logo) return;
  state.step += state.reverse ? -1 : 1;
  drawCycled();
  showFrameNumber();
}

function setPlaying(playing) {
  state.playing = playing;
  const button = $("play-toggle");
  button.textContent = playing ? "Pause" : "Play";
  schedule();
}

function changeDelay(direction) {
  const at = DELAYS.indexOf(state.delay);
  const next = Math.min(DELAYS.length - 1, Math.max(0, at + direction));
  state.delay = DELAYS[next];
  $("delay-value").textContent = `${state.delay} ms a step`;
  $("slower").disabled = next === DELAYS.length - 1;
  $("faster").disabled = next === 0;
  schedule();
}

function wireTransport() {
  $("play-toggle").addEventListener("click", () => setPlaying(!state.playing));
  $("step").addEventListener("click", () => {
    setPlaying(false);
    advance();
  });
  $("slower").addEventListener("click", () => changeDelay(1));
  $("faster").addEventListener("click", () => changeDelay(-1));
  $("reverse").addEventListener("click", () => {
    state.reverse = !state.reverse;
    $("reverse").setAttribute("aria-pressed", String(state.reverse));
  });
}

// ---------------------------------------------------------------- palette

const paletteCells = [];

function buildPalette() {
  const grid = $("palette");
  for (let i = 0; i < 256; i++) {
    const cell = document.createElement("button");
    cell.type = "button";
    cell.className = "entry";
    cell.dataset.entry = String(i);
    cell.tabIndex = i === 0 ? 0 : -1;
    cell.setAttribute("aria-label", `entry ${i}`);
    cell.addEventListener("click", () => entryChosen(i));
    cell.addEventListener("mouseenter", () => describeEntry(i, null));
    cell.addEventListener("focus", () => describeEntry(i, null));
    grid.appendChild(cell);
    paletteCells.push(cell);
  }
  grid.addEventListener("keydown", movePaletteFocus);
}

// One tab stop for the whole grid; arrows move within it.
function movePaletteFocus(event) {
  const at = Number(document.activeElement.dataset.entry);
  if (Number.isNaN(at)) return;
  const moves = { ArrowLeft: -1, ArrowRight: 1, ArrowUp: -16, ArrowDown: 16, Home: -at, End: 255 - at };
  if (!(event.key in moves)) return;
  event.preventDefault();
  const next = Math.min(255, Math.max(0, at + moves[event.key]));
  paletteCells[at].tabIndex = -1;
  paletteCells[next].tabIndex = 0;
  paletteCells[next].focus();
}

function showPalette() {
  const logo = state.logo;
  const n = cycleLength(logo);
  for (let i = 0; i < 256; i++) {
    const cell = paletteCells[i];
    const cycles = n > 0 && i >= logo.first;
    cell.style.backgroundColor = logo.hex[i];
    cell.classList.toggle("cycled", cycles);
    cell.classList.toggle("light", logo.lightness[i] > 150);
    cell.setAttribute("aria-label", `entry ${i}: ${logo.hex[i]}${cycles ? ", cycles" : ""}, ${logo.uses[i]} pixels`);
  }
  $("cycle-info").innerHTML = "";
  const dot = document.createElement("span");
  dot.className = "dot";
  dot.setAttribute("aria-hidden", "true");
  $("cycle-info").append(dot, n ? ` Slots ${logo.first}–255 cycle: ${n} colours, ${n} steps a turn.` : " Nothing cycles.");
  showPicked();
}

function entryChosen(entry) {
  if (!state.logo) return;
  if (state.tool === "pick") togglePicked(entry);
  else lightEntry(state.lit === entry ? -1 : entry);
}

// ---------------------------------------------------------------- lighting an entry

function lightEntry(entry) {
  state.lit = entry;
  for (const cell of paletteCells) cell.classList.toggle("lit", Number(cell.dataset.entry) === entry);
  paletteCells.forEach((cell, i) => cell.setAttribute("aria-pressed", String(i === entry)));
  drawHighlight();
  const info = $("lit-info");
  if (entry < 0 || !state.logo) {
    info.textContent = "Choose an entry to light up its pixels.";
    info.classList.add("muted");
    return;
  }
  const logo = state.logo;
  info.classList.remove("muted");
  info.textContent = `Lit: entry ${entry}, ${logo.hex[entry]}, used by ${logo.uses[entry]} of ${LOGO_W * LOGO_H} pixels.`;
}

// The pixels of the entry keep their colour; everything else goes behind a
// veil that contrasts with that colour, so dark and light entries both show.
function drawHighlight() {
  const canvas = $("highlight");
  const ctx = canvas.getContext("2d");
  ctx.clearRect(0, 0, VIEW_W, VIEW_H);
  const logo = state.logo;
  if (!logo || state.lit < 0) return;
  const veil = ctx.createImageData(VIEW_W, VIEW_H);
  const veil32 = new Uint32Array(veil.data.buffer);
  const colour = logo.lightness[state.lit] < 110 ? 0xc8f0f0f0 : 0xc8141414;
  const index = logo.viewIndex;
  for (let i = 0; i < veil32.length; i++) veil32[i] = index[i] === state.lit ? 0 : colour;
  ctx.putImageData(veil, 0, 0);
}

// ---------------------------------------------------------------- pointing at the view

function viewPoint(event) {
  const box = $("view").getBoundingClientRect();
  const x = Math.floor((event.clientX - box.left) * VIEW_W / box.width);
  const y = Math.floor((event.clientY - box.top) * VIEW_H / box.height);
  if (x < 0 || y < 0 || x >= VIEW_W || y >= VIEW_H) return null;
  return { x, y, scale: box.width / VIEW_W, box };
}

function describeEntry(entry, point) {
  const logo = state.logo;
  if (!logo) return;
  const where = point ? `pixel (${point.x >> 1}, ${Math.floor(point.y * LOGO_H / VIEW_H)}) · ` : "";
  const cycles = cycleLength(logo) && entry >= logo.first ? " · cycles" : "";
  const info = $("hover-info");
  info.classList.remove("muted");
  info.innerHTML = "";
  const swatch = document.createElement("span");
  swatch.className = "swatch";
  swatch.style.backgroundColor = logo.hex[entry];
  info.append(swatch, `${where}entry ${entry}: ${logo.hex[entry]}${cycles}`);
}

function wireView() {
  const screen = $("screen-inner");
  screen.addEventListener("pointermove", (event) => {
    const point = viewPoint(event);
    moveBrushRing(point);
    if (!point || !state.logo) return;
    describeEntry(state.logo.viewIndex[point.y * VIEW_W + point.x], point);
    if (state.painting) paintTo(point);
  });
  screen.addEventListener("pointerleave", () => moveBrushRing(null));
  screen.addEventListener("pointerdown", (event) => {
    const point = viewPoint(event);
    if (!point || !state.logo || event.button !== 0) return;
    if (state.tool === "paint" || state.tool === "erase") {
      event.preventDefault();
      screen.setPointerCapture(event.pointerId);
      state.painting = true;
      state.lastPaint = null;
      paintTo(point);
      return;
    }
    entryChosen(state.logo.viewIndex[point.y * VIEW_W + point.x]);
  });
  const endStroke = () => {
    if (!state.painting) return;
    state.painting = false;
    maskEdited();
  };
  screen.addEventListener("pointerup", endStroke);
  screen.addEventListener("pointercancel", endStroke);
}

// ---------------------------------------------------------------- tools

function setTool(tool) {
  state.tool = state.tool === tool ? "look" : tool;
  $("pick-mode").setAttribute("aria-pressed", String(state.tool === "pick"));
  $("brush-paint").setAttribute("aria-pressed", String(state.tool === "paint"));
  $("brush-erase").setAttribute("aria-pressed", String(state.tool === "erase"));
  $("screen").dataset.tool = state.tool;
  if (state.tool === "paint" || state.tool === "erase") {
    $("mask-show").checked = true;
    showMaskOverlay();
  }
  if (state.tool === "pick" && state.lit >= 0) lightEntry(-1);
  $("brush-ring").hidden = true;
}

// ---------------------------------------------------------------- the shimmer's mask

function brushRadius() {
  return Number($("brush-size").value) / 2;
}

function moveBrushRing(point) {
  const ring = $("brush-ring");
  const painting = state.tool === "paint" || state.tool === "erase";
  if (!point || !painting) {
    ring.hidden = true;
    return;
  }
  const size = 2 * brushRadius() * point.scale;
  ring.hidden = false;
  ring.style.width = ring.style.height = `${size}px`;
  ring.style.left = `${(point.x + 0.5) * point.scale - size / 2}px`;
  ring.style.top = `${(point.y + 0.5) * point.scale - size / 2}px`;
}

// Stamps the brush along the stroke so a fast drag leaves no gaps.
function paintTo(point) {
  const last = state.lastPaint || point;
  const distance = Math.hypot(point.x - last.x, point.y - last.y);
  const spacing = Math.max(1, brushRadius() / 2);
  const stamps = Math.max(1, Math.ceil(distance / spacing));
  for (let k = 1; k <= stamps; k++) {
    stampBrush(last.x + (point.x - last.x) * k / stamps, last.y + (point.y - last.y) * k / stamps);
  }
  state.lastPaint = point;
}

// The brush is round on the view; a logo pixel is two view pixels wide and
// 1.2 tall, so the logo pixels it covers form an ellipse in the mask.
function stampBrush(cx, cy) {
  const r = brushRadius();
  const value = state.tool === "paint" ? 1 : 0;
  const x0 = Math.max(0, Math.floor((cx - r) / 2)), x1 = Math.min(LOGO_W - 1, Math.ceil((cx + r) / 2));
  const yScale = VIEW_H / LOGO_H;
  const y0 = Math.max(0, Math.floor((cy - r) / yScale)), y1 = Math.min(LOGO_H - 1, Math.ceil((cy + r) / yScale));
  for (let y = y0; y <= y1; y++) {
    const dy = (y + 0.5) * yScale - cy;
    for (let x = x0; x <= x1; x++) {
      const dx = 2 * x + 1 - cx;
      if (dx * dx + dy * dy <= r * r) state.mask[y * LOGO_W + x] = value;
    }
  }
  state.maskFile = null;
  drawMaskOverlay(x0, y0, x1, y1);
}

const maskOverlay = { ctx: $("mask-overlay").getContext("2d"), image: null };

function drawMaskOverlay(x0 = 0, y0 = 0, x1 = LOGO_W - 1, y1 = LOGO_H - 1) {
  if (!maskOverlay.image) maskOverlay.image = maskOverlay.ctx.createImageData(VIEW_W, VIEW_H);
  const pixels = new Uint32Array(maskOverlay.image.data.buffer);
  // Translucent violet stripes: rare in photographs, and the picture shows between them.
  const stripe = 0xa0ff3ad0, between = 0x28ff3ad0;
  const yScale = VIEW_H / LOGO_H;
  const top = Math.floor(y0 * yScale), bottom = Math.min(VIEW_H - 1, Math.ceil((y1 + 1) * yScale));
  const left = 2 * x0, right = 2 * x1 + 1;
  for (let y = top; y <= bottom; y++) {
    const maskRow = Math.floor(y * LOGO_H / VIEW_H) * LOGO_W;
    for (let x = left; x <= right; x++) {
      const tint = (x + y) & 8 ? between : stripe;
      pixels[y * VIEW_W + x] = state.mask[maskRow + (x >> 1)] ? tint : 0;
    }
  }
  maskOverlay.ctx.putImageData(maskOverlay.image, 0, 0, left, top, right - left + 1, bottom - top + 1);
}

function maskIsEmpty() {
  return !state.maskFile && !state.mask.some((v) => v);
}

function showMaskOverlay() {
  const shown = animation() === "shimmer" && $("mask-show").checked;
  $("mask-overlay").hidden = !shown;
}

function maskEdited() {
  state.maskPng = null;
  showShimmerHint();
  if (animation() === "shimmer") scheduleFit(0);
}

function clearMask() {
  state.mask.fill(0);
  state.maskFile = null;
  $("mask-file").value = "";
  drawMaskOverlay();
  maskEdited();
}

// White marks the shimmer, black keeps still: the PNG logofit reads as a mask.
function maskPng() {
  if (state.maskPng) return Promise.resolve(state.maskPng);
  const canvas = document.createElement("canvas");
  canvas.width = LOGO_W;
  canvas.height = LOGO_H;
  const ctx = canvas.getContext("2d");
  const image = ctx.createImageData(LOGO_W, LOGO_H);
  const pixels = new Uint32Array(image.data.buffer);
  for (let i = 0; i < pixels.length; i++) pixels[i] = state.mask[i] ? 0xffffffff : 0xff000000;
  ctx.putImageData(image, 0, 0);
  return new Promise((resolve) => canvas.toBlob((blob) => {
    state.maskPng = blob;
    resolve(blob);
  }, "image/png"));
}

// An uploaded mask is sent untouched (logofit judges it); the page reads it
// only to show the area, the way logofit does: opaque, or lighter than mid-grey.
async function maskFileChosen(file) {
  state.mask.fill(0);
  state.maskFile = file;
  try {
    const bitmap = await createImageBitmap(file);
    const canvas = document.createElement("canvas");
    canvas.width = LOGO_W;
    canvas.height = LOGO_H;
    const ctx = canvas.getContext("2d");
    ctx.drawImage(bitmap, 0, 0);
    const data = ctx.getImageData(0, 0, LOGO_W, LOGO_H).data;
    let transparent = false;
    for (let i = 3; i < data.length; i += 4) if (data[i] < 255) transparent = true;
    for (let i = 0; i < state.mask.length; i++) {
      const at = 4 * i;
      const light = (data[at] * 299 + data[at + 1] * 587 + data[at + 2] * 114) / 1000;
      state.mask[i] = (transparent ? data[at + 3] >= 128 : light > 127.5) ? 1 : 0;
    }
  } catch {
    // The browser cannot read it; logofit may, and says why if not.
  }
  $("mask-show").checked = true;
  drawMaskOverlay();
  showMaskOverlay();
  maskEdited();
}

function showShimmerHint() {
  const hint = $("shimmer-hint");
  if (state.maskFile) hint.textContent = `Mask: ${state.maskFile.name}. Painting over it makes a new one.`;
  else if (!maskIsEmpty()) hint.textContent = "Mask: the painted area (sent as a 320×400 PNG).";
  else hint.textContent = "Paint the area that shimmers over the logo, or load a 320×400 mask (white shimmers, black stays still).";
}

// ---------------------------------------------------------------- options

function animation() {
  return document.querySelector('input[name="animation"]:checked').value;
}

function showAnimationPanel() {
  const chosen = animation();
  $("bar-panel").hidden = chosen !== "bar";
  $("layer-panel").hidden = chosen !== "layer";
  $("shimmer-panel").hidden = chosen !== "shimmer";
  if (chosen !== "shimmer" && (state.tool === "paint" || state.tool === "erase")) setTool("look");
  showMaskOverlay();
}

function barStops() {
  return [...$("bar-stops").querySelectorAll("input")].map((input) => input.value);
}

function addBarStop(colour) {
  const list = $("bar-stops");
  const stop = document.createElement("span");
  stop.className = "stop";
  const input = document.createElement("input");
  input.type = "color";
  input.value = colour;
  const remove = document.createElement("button");
  remove.type = "button";
  remove.className = "remove";
  remove.textContent = "×";
  remove.addEventListener("click", () => {
    stop.remove();
    relabelBarStops();
    scheduleFit(0);
  });
  stop.append(input, remove);
  list.appendChild(stop);
  relabelBarStops();
}

function relabelBarStops() {
  const stops = [...$("bar-stops").querySelectorAll(".stop")];
  stops.forEach((stop, i) => {
    stop.querySelector("input").setAttribute("aria-label", `Gradient stop ${i + 1} colour`);
    const remove = stop.querySelector("button");
    remove.setAttribute("aria-label", `Remove gradient stop ${i + 1}`);
    // Two stops are the fewest a gradient has; "Default" drops the gradient.
    remove.disabled = stops.length <= 2;
  });
  $("bar-stop-add").disabled = stops.length >= 16;
  $("bar-stop-add").textContent = stops.length ? "Add stop" : "Choose colours";
  $("bar-stops-default").hidden = stops.length === 0;
}

function wireBarStops() {
  $("bar-stop-add").addEventListener("click", () => {
    if (barStops().length === 0) {
      addBarStop("#1d3b6e");
      addBarStop("#f2d06b");
    } else {
      addBarStop("#ffffff");
    }
    scheduleFit(0);
  });
  $("bar-stops-default").addEventListener("click", () => {
    $("bar-stops").innerHTML = "";
    relabelBarStops();
    scheduleFit(0);
  });
  relabelBarStops();
}

function fieldValue(id) {
  return $(id).value.trim();
}

// The form logofit's options make, each named as the option without dashes.
// Defaults are left out so the command line shown stays the shortest one.
async function fitForm() {
  const form = new FormData();
  form.append("picture", state.picture, state.picture.name || "picture");
  const put = (name, value, fallback) => {
    if (value !== fallback) form.append(name, value);
  };
  put("geometry", fieldValue("geometry"), "fit");
  put("gravity", fieldValue("gravity"), "center");
  put("background", fieldValue("background").toLowerCase(), "#000000");
  put("colors", fieldValue("colors"), "256");
  if (!$("dither").checked) form.append("dither", "0");
  const chosen = animation();
  if (chosen === "bar") {
    form.append("bar", fieldValue("bar-rows"));
    put("bar-colors", fieldValue("bar-colors"), "16");
    const stops = barStops();
    if (stops.length >= 2) form.append("bar-gradient", stops.join(","));
    put("bar-band", fieldValue("bar-band"), "");
    put("bar-direction", fieldValue("bar-direction"), "right");
    put("bar-at", fieldValue("bar-at"), "bottom");
  } else if (chosen === "layer" && state.layerFile) {
    form.append("layer", state.layerFile, state.layerFile.name);
    put("layer-order", fieldValue("layer-order"), "");
  } else if (chosen === "shimmer" && !maskIsEmpty()) {
    if (state.maskFile) form.append("mask", state.maskFile, state.maskFile.name);
    else form.append("mask", await maskPng(), "mask.png");
    put("shimmer-colors", fieldValue("shimmer-colors"), "32");
    put("shimmer-direction", fieldValue("shimmer-direction"), "out");
  }
  return form;
}

function wireOptions() {
  const form = $("options");
  form.addEventListener("submit", (event) => event.preventDefault());
  form.addEventListener("input", (event) => {
    if (event.target.type === "file" || event.target.name === "animation") return;
    if (event.target.id === "brush-size" || event.target.id === "mask-show") return;
    scheduleFit(FIT_DEBOUNCE_MS);
  });
  form.addEventListener("change", (event) => {
    if (event.target.name === "animation") {
      showAnimationPanel();
      scheduleFit(0);
    } else if (event.target.tagName === "SELECT" || event.target.type === "checkbox") {
      if (event.target.id !== "mask-show") scheduleFit(0);
    }
  });
  $("layer-file").addEventListener("change", () => {
    state.layerFile = $("layer-file").files[0] || null;
    scheduleFit(0);
  });
  $("mask-file").addEventListener("change", () => {
    const file = $("mask-file").files[0];
    if (file) maskFileChosen(file);
  });
  $("brush-size").addEventListener("input", () => {
    $("brush-size-value").textContent = `${$("brush-size").value} px`;
  });
  $("mask-show").addEventListener("change", showMaskOverlay);
  $("brush-paint").addEventListener("click", () => setTool("paint"));
  $("brush-erase").addEventListener("click", () => setTool("erase"));
  $("mask-clear").addEventListener("click", clearMask);
  wireBarStops();
}

// ---------------------------------------------------------------- talking to the studio

async function reasonOf(response) {
  try {
    const answer = await response.json();
    if (answer && answer.error) return String(answer.error);
  } catch {
    // not JSON: fall back on the status
  }
  return `the studio answered ${response.status} ${response.statusText}`.trim();
}

function setBusy(busy) {
  $("busy").hidden = !busy;
  $("screen").setAttribute("aria-busy", String(busy));
}

function scheduleFit(delay) {
  clearTimeout(state.fitTimer);
  if (!state.picture) return;
  state.fitTimer = setTimeout(fit, delay);
}

async function fit() {
  if (!state.picture) return;
  const request = ++state.logoRequest;
  if (state.fitAbort) state.fitAbort.abort();
  const abort = new AbortController();
  state.fitAbort = abort;
  setBusy(true);
  try {
    const response = await fetch("/api/fit", { method: "POST", body: await fitForm(), signal: abort.signal });
    if (request !== state.logoRequest) return;
    if (!response.ok) {
      showError(await reasonOf(response));
      return;
    }
    const bytes = new Uint8Array(await response.arrayBuffer());
    if (request !== state.logoRequest) return;
    const logo = readLogo(bytes);
    clearErrors();
    state.fitCommand = response.headers.get("X-Logo-Command") || "";
    showLogo(logo, {
      summary: response.headers.get("X-Logo-Summary") || "",
      warning: response.headers.get("X-Logo-Warning") || "",
      cycleCommand: "",
    });
  } catch (error) {
    if (error.name === "AbortError" || request !== state.logoRequest) return;
    showError(error instanceof TypeError ? "the studio does not answer; is logostudio still running?" : error.message);
  } finally {
    if (request === state.logoRequest) setBusy(false);
  }
}

async function cycleRequest() {
  if (!state.logo || state.picked.length === 0) return;
  const request = ++state.logoRequest;
  if (state.fitAbort) state.fitAbort.abort();
  const form = new FormData();
  form.append("logo", new Blob([state.logo.bytes]), "LOGO.SYS");
  form.append("slots", state.picked.join(" "));
  const picked = state.picked.length;
  setBusy(true);
  try {
    const response = await fetch("/api/cycle", { method: "POST", body: form });
    if (request !== state.logoRequest) return;
    if (!response.ok) {
      showError(await reasonOf(response), "slots");
      return;
    }
    const logo = readLogo(new Uint8Array(await response.arrayBuffer()));
    if (request !== state.logoRequest) return;
    clearErrors();
    state.picked = [];
    setTool("look");
    showLogo(logo, {
      summary: `CYCLED ${picked} COLORS IN SLOTS ${logo.first}-255`,
      warning: "",
      cycleCommand: response.headers.get("X-Logo-Command") || "",
    });
  } catch (error) {
    if (request !== state.logoRequest) return;
    showError(error instanceof TypeError ? "the studio does not answer; is logostudio still running?" : error.message, "slots");
  } finally {
    if (request === state.logoRequest) setBusy(false);
  }
}

async function downloadPreview() {
  if (!state.logo) return;
  const form = new FormData();
  form.append("logo", new Blob([state.logo.bytes]), "LOGO.SYS");
  form.append("delay", String(state.delay));
  if (state.reverse) form.append("reverse", "1");
  const button = $("download-gif");
  button.disabled = true;
  try {
    const response = await fetch("/api/preview", { method: "POST", body: form });
    if (!response.ok) {
      showError(await reasonOf(response));
      return;
    }
    const gif = await response.blob();
    $("preview-command").textContent = response.headers.get("X-Logo-Command") || "";
    $("preview-note").hidden = true;
    const link = $("gif-link");
    if (link.href) URL.revokeObjectURL(link.href);
    link.href = URL.createObjectURL(gif);
    link.click();
  } catch (error) {
    showError(error instanceof TypeError ? "the studio does not answer; is logostudio still running?" : error.message);
  } finally {
    button.disabled = !state.logo;
  }
}

// ---------------------------------------------------------------- showing results

function showLogo(logo, { summary, warning, cycleCommand }) {
  state.logo = logo;
  state.step = 0;
  // Picked entries name slots of the old palette.
  state.picked = [];
  $("empty-hint").hidden = true;
  drawWhole();
  showPalette();
  if (state.lit >= 0) lightEntry(state.lit);
  showFrameNumber();
  schedule();

  $("status").textContent = summary;
  $("status").classList.remove("error");
  $("warning").hidden = !warning;
  $("warning").textContent = warning ? `Note: ${warning}` : "";
  $("fit-command").textContent = state.fitCommand;
  $("cycle-command").textContent = cycleCommand;
  $("cycle-command").hidden = !cycleCommand;
  $("preview-command").textContent = "";
  $("preview-note").hidden = false;

  const link = $("download-logo");
  if (state.logoUrl) URL.revokeObjectURL(state.logoUrl);
  state.logoUrl = URL.createObjectURL(new Blob([logo.bytes], { type: "application/octet-stream" }));
  link.href = state.logoUrl;
  link.removeAttribute("aria-disabled");
  $("download-gif").disabled = false;
}

// A reason that names an option goes beside its control as well.
function showError(reason, near) {
  const status = $("status");
  status.textContent = state.logo ? `Not done: ${reason.replace(/\.$/, "")}. The view keeps the last logo made.` : `Not done: ${reason}`;
  status.classList.add("error");
  clearErrors();
  const named = near || (reason.match(/--([a-z][a-z-]*)/) || [])[1] || fileNamedIn(reason);
  const slot = named && document.querySelector(`[data-error-for="${named}"]`);
  if (slot) {
    slot.textContent = reason;
    const control = document.querySelector(`[data-option="${named}"]`);
    if (control) control.setAttribute("aria-invalid", "true");
  }
}

// Reasons about a file start with its name, as logofit's do.
function fileNamedIn(reason) {
  const files = [[state.layerFile && animation() === "layer" && state.layerFile.name, "layer"],
    [state.maskFile ? state.maskFile.name : "mask.png", "shimmer"]];
  const found = files.find(([name]) => name && reason.startsWith(`${name}:`));
  return found ? found[1] : undefined;
}

function clearErrors() {
  for (const slot of document.querySelectorAll("[data-error-for]")) slot.textContent = "";
  for (const control of document.querySelectorAll("[aria-invalid]")) control.removeAttribute("aria-invalid");
}

// ---------------------------------------------------------------- picking colours to cycle

function togglePicked(entry) {
  const at = state.picked.indexOf(entry);
  if (at >= 0) state.picked.splice(at, 1);
  else if (state.picked.length < MAX_PICKED) state.picked.push(entry);
  showPicked();
}

function showPicked() {
  const list = $("pick-list");
  list.innerHTML = "";
  for (const cell of paletteCells) {
    delete cell.dataset.order;
    cell.classList.remove("picked");
  }
  state.picked.forEach((entry, i) => {
    const item = document.createElement("li");
    const swatch = document.createElement("span");
    swatch.className = "swatch";
    swatch.style.backgroundColor = state.logo ? state.logo.hex[entry] : "transparent";
    item.append(swatch, `entry ${entry}`);
    list.appendChild(item);
    paletteCells[entry].dataset.order = String(i + 1);
    paletteCells[entry].classList.add("picked");
  });
  const count = state.picked.length;
  $("pick-make").disabled = count === 0;
  $("pick-clear").disabled = count === 0;
  $("pick-make").textContent = count ? `Cycle these ${count}` : "Cycle them";
}

function wirePicking() {
  $("pick-mode").addEventListener("click", () => setTool("pick"));
  $("pick-clear").addEventListener("click", () => {
    state.picked = [];
    showPicked();
  });
  $("pick-make").addEventListener("click", cycleRequest);
}

// ---------------------------------------------------------------- opening pictures

function openPicture(file) {
  if (!file) return;
  state.picture = file;
  $("picture-name").textContent = file.name || "picture";
  $("picture-name").classList.remove("muted");
  $("cycle-command").hidden = true;
  scheduleFit(0);
}

function wireOpening() {
  $("picture-input").addEventListener("change", () => {
    const input = $("picture-input");
    openPicture(input.files[0]);
    // Emptied so that opening the same file again, edited meanwhile, still counts.
    input.value = "";
  });
  let depth = 0;
  const carriesFiles = (event) => event.dataTransfer && [...event.dataTransfer.types].includes("Files");
  document.addEventListener("dragenter", (event) => {
    if (!carriesFiles(event)) return;
    depth++;
    $("drop-hint").hidden = false;
  });
  document.addEventListener("dragleave", () => {
    depth = Math.max(0, depth - 1);
    if (depth === 0) $("drop-hint").hidden = true;
  });
  document.addEventListener("dragover", (event) => {
    if (carriesFiles(event)) event.preventDefault();
  });
  document.addEventListener("drop", (event) => {
    depth = 0;
    $("drop-hint").hidden = true;
    if (!event.dataTransfer || event.dataTransfer.files.length === 0) return;
    event.preventDefault();
    openPicture(event.dataTransfer.files[0]);
  });
}

// The file named on logostudio's command line opens as if it had been dropped.
async function openFromCommandLine() {
  try {
    const response = await fetch("/api/opening");
    if (response.status !== 200) return;
    let name = response.headers.get("X-File-Name") || "picture";
    try {
      name = decodeURIComponent(name);
    } catch {
      // keep the name as sent
    }
    openPicture(new File([await response.blob()], name));
  } catch {
    showError("the studio does not answer; is logostudio still running?");
  }
}

// ---------------------------------------------------------------- start

function wireKeys() {
  document.addEventListener("keydown", (event) => {
    if (event.key !== "Escape") return;
    if (state.tool !== "look") setTool(state.tool);
    else if (state.lit >= 0) lightEntry(-1);
  });
}

buildPalette();
wireTransport();
wireView();
wireOptions();
wirePicking();
wireOpening();
wireKeys();
changeDelay(0);
showAnimationPanel();
showFrameNumber();
$("download-gif").addEventListener("click", downloadPreview);
$("download-logo").addEventListener("click", (event) => {
  if (!state.logo) event.preventDefault();
});
openFromCommandLine();
