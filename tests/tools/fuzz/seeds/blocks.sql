create procedure p() begin declare x int; if x > 0 then set x = 1; end if; case x when 1 then select 1; end case; end;
select 'a;b', "c;d", [e]]f];
