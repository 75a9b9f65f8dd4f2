// Reads a G-code program with an independent interpreter (npm gcode-interpreter) and checks
// it against the controller's documented rules. Prints one "error: ..." line per broken rule,
// then the figures of what the program does ("cuts 12", "box 0 0 1 1", ...), for the
// GoogleTest that runs it. Usage: node read_gcode.js FILE grbl|linuxcnc
'use strict';
const fs = require('fs');
const Interpreter = require('gcode-interpreter');

const [file, dialect] = process.argv.slice(2);
const text = fs.readFileSync(file, 'utf8');
const errors = [];
const fail = (line, why) => errors.push(`line ${line}: ${why}`);

// GRBL 1.1's G-code: the words and codes its parser accepts (anything else is error 20,
// unsupported command, or 1-3, bad word); its line buffer (error 11 past 80 characters
// with the end of line); line numbers up to 10,000,000 (error 23).
const GrblG = new Set(['0', '1', '2', '3', '4', '10', '17', '18', '19', '20', '21', '28', '28.1',
    '30', '30.1', '38.2', '38.3', '38.4', '38.5', '40', '43.1', '49', '53', '54', '55', '56',
    '57', '58', '59', '61', '80', '90', '90.1', '91', '91.1', '92', '92.1', '93', '94']);
const GrblM = new Set(['0', '1', '2', '30', '3', '4', '5', '7', '8', '9', '56']);
// Words this program must never write: T (no tool change), A/B/C/U/V/W axes, R arcs.
const GrblLetters = new Set(['G', 'M', 'N', 'F', 'S', 'P', 'X', 'Y', 'Z', 'I', 'J', 'K', 'L']);
// Modal groups GRBL refuses twice in one block (error 21).
const Group = {};
for (const g of ['0', '1', '2', '3', '38.2', '38.3', '38.4', '38.5', '80']) Group[g] = 'motion';
for (const g of ['17', '18', '19']) Group[g] = 'plane';
for (const g of ['90', '91']) Group[g] = 'distance';
for (const g of ['20', '21']) Group[g] = 'units';
for (const g of ['93', '94']) Group[g] = 'feedmode';
for (const g of ['54', '55', '56', '57', '58', '59']) Group[g] = 'wcs';

const lines = text.split('\n');
if (lines[lines.length - 1] !== '') fail(lines.length, 'the last line has no end of line');
lines.forEach((raw, i) => {
    const n = i + 1;
    if (raw === '' && i === lines.length - 1) return;
    if (raw.includes('\r')) fail(n, 'carriage return in a line');
    if (dialect === 'grbl' && raw.length + 1 > 80) fail(n, `${raw.length + 1} characters with the end of line (GRBL error 11)`);
    if (raw === '%') {
        if (dialect !== 'linuxcnc' || (i !== 0 && i !== lines.length - 2)) fail(n, 'stray %');
        return;
    }
    const code = raw.replace(/\([^)]*\)/g, '').replace(/;.*$/, '').replace(/\s+/g, '');
    if (code === '') return;
    const words = code.match(/[A-Za-z][-+]?[0-9.]*/g) || [];
    if (words.join('') !== code) fail(n, `not a sequence of words: ${raw}`);
    const groups = new Set();
    for (const w of words) {
        const letter = w[0].toUpperCase(), value = w.slice(1);
        if (!/^[-+]?(\d+\.?\d*|\.\d+)$/.test(value)) fail(n, `bad number in ${w} (GRBL error 2)`);
        if (!GrblLetters.has(letter)) fail(n, `word ${w} is not accepted (GRBL error 20)`);
        const key = String(Number(value));
        if (letter === 'G') {
            if (!GrblG.has(key)) fail(n, `G${value} is not supported (GRBL error 20)`);
            const g = Group[key];
            if (g && groups.has(g)) fail(n, `two ${g} words in one block (GRBL error 21)`);
            if (g) groups.add(g);
        }
        if (letter === 'M' && !GrblM.has(key)) fail(n, `M${value} is not supported (GRBL error 20)`);
        if (letter === 'N' && (Number(value) > 10000000 || Number(value) < 0 || !Number.isInteger(Number(value))))
            fail(n, `line number ${value} out of range (GRBL error 23)`);
    }
});

// Now what the program does, through the interpreter: state before each move.
const st = { units: null, absolute: false, plane: false, feedMode: false, feed: 0,
    spindle: false, rpm: 0, x: null, y: null, z: null, ended: false, commandsAfterEnd: 0 };
const out = { cuts: 0, arcs: 0, rapids: 0, plunges: 0, cutLength: 0, minZ: Infinity,
    box: [Infinity, Infinity, -Infinity, -Infinity], dwell: 0 };
let commandNo = 0;
const grow = (x, y) => {
    out.box[0] = Math.min(out.box[0], x); out.box[1] = Math.min(out.box[1], y);
    out.box[2] = Math.max(out.box[2], x); out.box[3] = Math.max(out.box[3], y);
};
const before = (cmd) => {
    ++commandNo;
    if (st.ended) fail(`command ${commandNo}`, `${cmd} after the program end`);
};
const move = (cmd, p) => {
    before(cmd);
    if (!st.units) fail(`command ${commandNo}`, `${cmd} before the units are set`);
    if (!st.absolute) fail(`command ${commandNo}`, `${cmd} before absolute distance is set`);
    if (st.z === null && !(cmd === 'G0' && 'Z' in p && !('X' in p) && !('Y' in p)))
        fail(`command ${commandNo}`, `${cmd} before the tool has been raised to a known height`);
    const nx = 'X' in p ? p.X : st.x, ny = 'Y' in p ? p.Y : st.y, nz = 'Z' in p ? p.Z : st.z;
    if ('F' in p) st.feed = p.F;
    const cutting = cmd !== 'G0';
    if (cutting) {
        if (!st.feedMode) fail(`command ${commandNo}`, 'cutting before feed-per-minute mode');
        if (!(st.feed > 0)) fail(`command ${commandNo}`, 'cutting with no feed rate (GRBL error 22)');
        if (!st.spindle || !(st.rpm > 0)) fail(`command ${commandNo}`, 'cutting with the spindle off');
    }
    if (cutting && (nx !== st.x || ny !== st.y) && !(nz < 0))
        fail(`command ${commandNo}`, 'cutting move at or above the surface (cuts air)');
    if (cmd === 'G0' && nz !== null && nz < 0 && (nx !== st.x || ny !== st.y))
        fail(`command ${commandNo}`, 'rapid move below the surface');
    if (nz !== null && nz < 0 && (st.z === null || st.z >= 0)) {
        ++out.plunges;
        if (cmd === 'G0') fail(`command ${commandNo}`, 'rapid plunge');
    }
    if (nz !== null) out.minZ = Math.min(out.minZ, nz);
    if (cmd === 'G2' || cmd === 'G3') {
        if (!st.plane) fail(`command ${commandNo}`, 'arc before the XY plane is set');
        const cx = st.x + (p.I || 0), cy = st.y + (p.J || 0);
        const r0 = Math.hypot(st.x - cx, st.y - cy), r1 = Math.hypot(nx - cx, ny - cy);
        const mm = st.units === 'inch' ? 25.4 : 1;
        const dr = Math.abs(r1 - r0) * mm;
        if (dr > 0.005 && (dr > 0.5 || dr > 0.001 * r0 * mm))
            fail(`command ${commandNo}`, `arc end ${dr} mm off its circle (GRBL error 33)`);
        if (nx === st.x && ny === st.y) fail(`command ${commandNo}`, 'arc is a full circle');
        let sweep = Math.atan2(ny - cy, nx - cx) - Math.atan2(st.y - cy, st.x - cx);
        if (cmd === 'G2' && sweep >= 0) sweep -= 2 * Math.PI;
        if (cmd === 'G3' && sweep <= 0) sweep += 2 * Math.PI;
        out.cutLength += Math.abs(sweep) * r0;
        ++out.arcs;
        // Box of the arc: its ends and every axis crossing it sweeps over.
        for (let k = -8; k <= 8; ++k) {
            const a = k * Math.PI / 2, a0 = Math.atan2(st.y - cy, st.x - cx);
            let d = a - a0;
            if (sweep > 0) { d = ((d % (2 * Math.PI)) + 2 * Math.PI) % (2 * Math.PI); if (d <= sweep) grow(cx + r0 * Math.cos(a), cy + r0 * Math.sin(a)); }
            else { d = ((-d % (2 * Math.PI)) + 2 * Math.PI) % (2 * Math.PI); if (d <= -sweep) grow(cx + r0 * Math.cos(a), cy + r0 * Math.sin(a)); }
        }
        grow(nx, ny);
        ++out.cuts;
    } else if (cutting && nz !== null && nz < 0 && (nx !== st.x || ny !== st.y)) {
        out.cutLength += Math.hypot(nx - st.x, ny - st.y);
        grow(st.x, st.y);
        grow(nx, ny);
        ++out.cuts;
    } else if (cmd === 'G0') {
        ++out.rapids;
    }
    st.x = nx; st.y = ny; st.z = nz;
};
const handlers = {
    G0: (p) => move('G0', p), G1: (p) => move('G1', p), G2: (p) => move('G2', p), G3: (p) => move('G3', p),
    G4: (p) => { before('G4'); out.dwell += p.P || 0; if (!st.spindle) fail(`command ${commandNo}`, 'dwell with the spindle off'); },
    G17: () => { before('G17'); st.plane = true; }, G20: () => { before('G20'); st.units = 'inch'; },
    G21: () => { before('G21'); st.units = 'mm'; }, G90: () => { before('G90'); st.absolute = true; },
    G94: () => { before('G94'); st.feedMode = true; },
    G40: () => before('G40'), G49: () => before('G49'), G54: () => before('G54'), G80: () => before('G80'),
    M3: (p) => { before('M3'); st.spindle = true; if ('S' in p) st.rpm = p.S; },
    M5: () => { before('M5'); if (st.z !== null && st.z < 0) fail(`command ${commandNo}`, 'spindle stopped in the work'); st.spindle = false; },
    M2: () => { before('M2'); if (dialect !== 'linuxcnc') fail(`command ${commandNo}`, 'M2 in a grbl program'); st.ended = true; },
    M30: () => { before('M30'); if (dialect !== 'grbl') fail(`command ${commandNo}`, 'M30 in a linuxcnc program'); st.ended = true; },
};
new Interpreter({
    handlers,
    defaultHandler: (cmd) => { before(cmd); fail(`command ${commandNo}`, `unexpected command ${cmd}`); },
}).loadFromStringSync(text);
if (!st.ended) fail('end', 'no program end');
if (out.cuts === 0) fail('end', 'the program cuts nothing');
if (st.spindle) fail('end', 'the spindle is still on at the end');
if (st.z !== null && st.z < 0) fail('end', 'the tool is still in the work at the end');
if (dialect === 'linuxcnc' && (lines[0] !== '%' || lines[lines.length - 2] !== '%'))
    fail('end', 'linuxcnc program not wrapped in %');

for (const e of errors) console.log(`error: ${e}`);
console.log(`units ${st.units}`);
console.log(`cuts ${out.cuts}`);
console.log(`arcs ${out.arcs}`);
console.log(`plunges ${out.plunges}`);
console.log(`length ${out.cutLength}`);
console.log(`depth ${-out.minZ}`);
console.log(`dwell ${out.dwell}`);
console.log(`box ${out.box.join(' ')}`);
