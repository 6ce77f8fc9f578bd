object SalesModule: TDataModule
  object AsaSession1: TAsaSession
    AutoCommit = False
    Connected = True
    LibraryFile = 'dblib6.dll'
    LoginDatabase = 'sales.db'
    LoginEngineName = 'sales'
    LoginPassword = 'SQL'
    LoginUser = 'DBA'
    ServerParams = 'start=dbeng6.exe'
    ServerType = stServer
    WantRowCounts = True
  end
  object qryCustomers: TAsaDataset
    Active = True
    CursorType = actDefault
    Params.Data = {
      010000000800000066697273745F69640800000066697273745F696402040000
      0001000000}
    Session = AsaSession1
    SQL.Strings = (
      
        'SELECT id, name, city FROM customer WHERE id >= :first_id ORDER ' +
        'BY id')
  end
  object dsCustomers: TDataSource
    DataSet = qryCustomers
  end
  object qryOrders: TAsaDataset
    Active = True
    OnCalcFields = qryOrdersCalcFields
    CursorType = actDefault
    DataSource = dsCustomers
    Params.Data = {
      01000000020000006964020000006964020400000001000000}
    Session = AsaSession1
    SQL.Strings = (
      
        'SELECT id, customer_id, item, quantity, price FROM orders WHERE ' +
        'customer_id = :id ORDER BY id')
  end
  object qryCustomersid: TIntegerField
    FieldName = 'id'
    DataSet = qryCustomers
  end
  object qryCustomersname: TStringField
    FieldName = 'name'
    DataSet = qryCustomers
    Size = 40
  end
  object qryCustomerscity: TStringField
    FieldName = 'city'
    DataSet = qryCustomers
    Size = 30
  end
  object qryOrdersid: TIntegerField
    FieldName = 'id'
    DataSet = qryOrders
  end
  object qryOrderscustomer_id: TIntegerField
    FieldName = 'customer_id'
    DataSet = qryOrders
  end
  object qryOrdersitem: TStringField
    FieldName = 'item'
    DataSet = qryOrders
    Size = 40
  end
  object qryOrdersquantity: TIntegerField
    FieldName = 'quantity'
    DataSet = qryOrders
  end
  object qryOrdersprice: TFloatField
    FieldName = 'price'
    DataSet = qryOrders
  end
  object qryOrdersTotal: TFloatField
    FieldKind = fkCalculated
    FieldName = 'Total'
    DataSet = qryOrders
  end
  object qryOrdersCity: TStringField
    FieldKind = fkLookup
    FieldName = 'City'
    KeyFields = 'customer_id'
    LookupDataSet = qryCustomers
    LookupKeyFields = 'id'
    LookupResultField = 'city'
    DataSet = qryOrders
    Size = 30
  end
end
