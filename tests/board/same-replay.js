const cryptoJs = require("crypto-js");
pm.test("[board] the replay's bytes are the ones posted", function () {
  pm.expect(pm.response.stream.length).to.eql(Number(pm.variables.get("replaySize")));
  pm.expect(cryptoJs.SHA256(cryptoJs.lib.WordArray.create(pm.response.stream)).toString())
    .to.eql(pm.variables.get("replaySha256"));
});
