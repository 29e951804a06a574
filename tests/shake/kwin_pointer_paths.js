// The KWin companion's shake recognizer against the shared table of pointer
// paths, which tst_ShakeDetector runs through the program's recognizer too.
//   node kwin_pointer_paths.js TABLE SCRIPT
const fs = require('fs');
const vm = require('vm');
const [table, script] = process.argv.slice(2);
const companion = {};
vm.runInNewContext(fs.readFileSync(script, 'utf8'), companion, { filename: script });

let failed = 0;
for (const c of JSON.parse(fs.readFileSync(table, 'utf8')).cases) {
    const recognizer = new companion.ShakeRecognizer(c.reversals);
    let shake = null;
    for (const [t, x, y] of c.path) {
        const point = recognizer.moved(x, y, t);
        if (point && !shake)
            shake = [point.x, point.y];
    }
    const ok = JSON.stringify(shake) === JSON.stringify(c.shake);
    failed += !ok;
    console.log(`${ok ? 'PASS' : 'FAIL'}: ${c.name}: shake ${JSON.stringify(shake)}, want ${JSON.stringify(c.shake)}`);
}
process.exit(failed ? 1 : 0);
