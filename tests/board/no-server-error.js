pm.test("[board] no server error", function () {
  pm.expect(pm.response.code).to.be.below(500);
});
