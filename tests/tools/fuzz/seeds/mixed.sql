-- c ; 
/* ; */ select :a, ':b', x::int;
\backup 'my dir' full
begin transaction; begin select 1; end;
select 'open