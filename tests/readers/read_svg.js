// Reads an SVG drawing with an independent parser (npm svg-parser) and prints what a
// drawing program would see: its size, viewBox and each path's points in drawing units
// with y pointing up again. Usage: node read_svg.js FILE
'use strict';
const fs = require('fs');
const { parse } = require('svg-parser');

const tree = parse(fs.readFileSync(process.argv[2], 'utf8'));
const svg = tree.children.find((c) => c.type === 'element' && c.tagName === 'svg');
if (!svg) { console.log('error: no svg element'); process.exit(0); }
const p = svg.properties;
console.log(`size ${p.width} ${p.height}`);
console.log(`viewBox ${p.viewBox}`);
const paths = [];
const walk = (n) => {
    if (n.type === 'element' && n.tagName === 'path') paths.push(n.properties.d);
    for (const c of n.children || []) walk(c);
};
walk(svg);
console.log(`paths ${paths.length}`);
for (const d of paths) {
    // M x y L x y x y ... [Z]: the only commands the writer uses.
    const tokens = d.match(/[MLZ]|[-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?/g) || [];
    const pts = [];
    let closed = false;
    for (let i = 0; i < tokens.length;) {
        if (/^[ML]$/.test(tokens[i])) { ++i; continue; }
        if (tokens[i] === 'Z') { closed = true; ++i; continue; }
        const x = Number(tokens[i]), y = Number(tokens[i + 1]);
        if (!Number.isFinite(x) || !Number.isFinite(y)) { console.log(`error: bad path data ${d}`); break; }
        pts.push(`${x} ${-y}`);
        i += 2;
    }
    console.log(`path ${closed ? 'closed' : 'open'} ${pts.length} ${pts.join(' ')}`);
}
