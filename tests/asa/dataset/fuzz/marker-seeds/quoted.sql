update t set a = :"my id", b = :'other name' where c = :a=:b;
select :id