// The collection posts the genuine run again under its own name: the same time, later, so second.
pm.test("[board] the same replay under a second name ranks second of two", function () {
  const run = pm.response.json();
  pm.expect(run.field).to.eql(Number(pm.variables.get("field")));
  pm.expect([run.rank, run.of]).to.eql([2, 2]);
});
