// Reads a JCAMP-DX file with jcampconverter, a reader written elsewhere, and
// prints what it found, one item a line, for Vexlar's interoperability test:
//   node read-jcamp.mjs file.jdx
// Numbers are printed as JavaScript writes them (the shortest text that
// reads back as the same double).
import { readFileSync } from 'node:fs';
import { convert } from 'jcampconverter';

const text = readFileSync(process.argv[2], 'latin1');
const parsed = convert(text, { keepRecordsRegExp: /.*/ });
const entry = parsed.flatten[0];
if (!entry) {
  console.error('jcampconverter found no spectrum in the file');
  process.exit(2);
}
const spectrum = entry.spectra[0];
const info = entry.info;
const out = [];
out.push(`title=${entry.title}`);
out.push(`dataType=${entry.dataType}`);
out.push(`dataClass=${info.DATACLASS}`);
out.push(`version=${info.JCAMPDX}`);
out.push(`xUnits=${spectrum?.xUnits ?? info.XUNITS}`);
out.push(`yUnits=${spectrum?.yUnits ?? info.YUNITS}`);
out.push(`laser=${entry.meta['LASER WAVELENGTH NM']}`);
out.push(`npoints=${info.NPOINTS}`);
out.push(`firstX=${info.FIRSTX}`);
out.push(`lastX=${info.LASTX}`);

// jcampconverter reads evenly spaced ##XYDATA and peak tables into
// spectra[0].data, but passes over an ##XYPOINTS record (the standard's
// record for a continuous spectrum on an unevenly spaced axis). Its numbers
// are then read by jcampconverter's own (XY..XY) parser: the same text is
// handed to it again with the record labelled as a peak table, which has
// the same (XY..XY) form. Nothing here parses a number itself.
let x = [];
let y = [];
if (spectrum?.data?.x?.length) {
  out.push('points=spectrum');
  x = spectrum.data.x;
  y = spectrum.data.y;
} else {
  const relabelled = convert(text.replace(/^##XYPOINTS=/m, '##PEAK TABLE='));
  const table = relabelled.flatten[0]?.spectra[0]?.data;
  if (!table?.x?.length) {
    console.error('jcampconverter read no (XY..XY) pairs from the XYPOINTS record');
    process.exit(2);
  }
  out.push('points=xy-pairs');
  x = table.x;
  y = table.y;
}
for (let i = 0; i < x.length; i++) out.push(`${x[i]} ${y[i]}`);
process.stdout.write(out.join('\n') + '\n');
