// Reads a JCAMP-DX file with jcampconverter, a reader written elsewhere, and
// prints what it found, one item a line, for Vexlar's interoperability test:
//   node read-jcamp.mjs file.jdx
// The file is read as written. jcampconverter gives one entry for each block
// of a compound file, the link block first; the spectrum is the one entry it
// read a spectrum from. Numbers are printed as JavaScript writes them (the
// shortest text that reads back as the same double).
import { readFileSync } from 'node:fs';
import { convert } from 'jcampconverter';

const text = readFileSync(process.argv[2], 'latin1');
const parsed = convert(text, { keepRecordsRegExp: /.*/ });
const out = [];
const kinds = parsed.flatten.map((e) => [e.dataType, e.dataClass].filter(Boolean).join(' '));
out.push(`blocks=${kinds.join('|')}`);
const read = parsed.flatten.filter((e) => e.spectra.length > 0);
if (read.length !== 1) {
  console.error(`jcampconverter read ${read.length} spectra from the file, not one`);
  process.exit(2);
}
const entry = read[0];
const spectrum = entry.spectra[0];
const info = entry.info;
out.push(`title=${entry.title}`);
out.push(`dataType=${entry.dataType}`);
out.push(`dataClass=${entry.dataClass}`);
out.push(`version=${info.JCAMPDX}`);
out.push(`owner=${info.OWNER}`);
out.push(`xUnits=${spectrum.xUnits}`);
out.push(`yUnits=${spectrum.yUnits}`);
out.push(`laser=${entry.meta['LASER WAVELENGTH NM']}`);
out.push(`npoints=${spectrum.nbPoints}`);
out.push(`firstX=${spectrum.firstX}`);
out.push(`deltaX=${info.DELTAX}`);
out.push(`yFactor=${spectrum.yFactor}`);
const { x, y } = spectrum.data;
for (let i = 0; i < x.length; i++) out.push(`${x[i]} ${y[i]}`);
process.stdout.write(out.join('\n') + '\n');
